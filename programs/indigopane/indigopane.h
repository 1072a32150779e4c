// indigopane, the options program of Sharp scanners: what the shell, the
// controls and the Help button share.
#ifndef INDIGOPANE_H
#define INDIGOPANE_H

#include <X11/Intrinsic.h>

#include <cstddef>

#include "records/sharp.h"
#include "scan/sc.h"

// The program's state: its address is the client data of the OK, Apply,
// Cancel and Help callbacks.  Toggles and the scroll bar that the reduced
// set does not build stay null.
struct SharpState {
    Widget toplevel;  // parent of the frame, the error dialogs and the help dialog
    Widget g1, g2, darkest, dark, light, lightest;      // gamma curve toggles
    Widget bright;                                      // brightness scroll bar
    Widget edgeNone, edgeMedium, edgeStrong, edgeDull;  // edge emphasis toggles
    Widget dithNone, dithA, dithB, dithC, dithError;    // dither pattern toggles
    SCOptHandle* handle;                                // the options channel
    records::SharpOptions options;                      // the record as fetched
};

// DoHelp finds the shell as the first member of the state it is given.
static_assert(offsetof(SharpState, toplevel) == 0, "the top-level shell comes first");

// The fallback resources, null-terminated (fallback.cpp).
extern String fallBackResources[];

// Shell (shell.cpp).

// The whole program: start-up, then the event loop until OK, Cancel or a
// hang-up or quit signal after the parent has gone ends the process.
int IndigopaneMain(int argc, char** argv);

// Builds the dialog frame "selBox" with its work area "rc" and the controls
// under state->toplevel, from state->options, with the four button callbacks
// (client data: state); returns it managed but not realised.
Widget CreateOptionsDialog(SharpState* state);

// Collects the controls into the record and stores it: 0, or -1 after
// showing the error dialog.  clientData is the SharpState.  The Apply
// button reaches it through an adapter of the callback type.
int ApplyCallback(Widget w, XtPointer clientData, XtPointer callData);
// Stores the record and exits with status 0; stays up when the store fails.
void OKCallback(Widget w, XtPointer clientData, XtPointer callData);
// Exits with status 0 and sends nothing.
void CancelCallback(Widget w, XtPointer clientData, XtPointer callData);

// Help button (help.cpp).
extern Widget helpDialog;
// Shows the help dialog under the shell of the SharpState in clientData.
void DoHelp(Widget w, XtPointer clientData, XtPointer callData);

// Controls (controls.cpp).

// Builds, in rc and in this order, the gamma group, the brightness group,
// the edge emphasis group and the dither group (the reduced set only the
// gamma curves G1 and G2 and edge emphasis), stores the toggles and the
// scroll bar in state and sets the initial choices from the record.
void CreateControls(Widget rc, SharpState* state);

// Writes the controls' choices into the record: gamma curve and edge
// emphasis always, dither mode and brightness only for the full set.
void CollectControls(SharpState* state);

#endif
