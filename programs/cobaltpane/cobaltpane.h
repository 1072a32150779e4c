// cobaltpane, the options program of HP ScanJet scanners driven through SCL:
// what the shell and the controls share.
#ifndef COBALTPANE_H
#define COBALTPANE_H

#include <X11/Intrinsic.h>

#include <cstdint>

#include "records/scanjet.h"
#include "scan/sc.h"

// The one option record, as fetched and as it will be stored.  The dither
// toggles write into it at once; the scroll bars and the adapter toggle are
// read into it by DoApply.
extern records::SjOptions options;

// The options channel, from SCGetScanOpt.
extern SCOptHandle* optHandle;

// The application context and shell: the shell is the parent of the dialog
// frame, the error dialogs and the help dialog.
extern XtAppContext appContext;
extern Widget toplevel;

// Controls that DoApply reads (made by CreateControls).
extern Widget iscroll;     // intensity scroll bar
extern Widget cscroll;     // contrast scroll bar
extern Widget disableTPA;  // "Disable Transparency Adapter", managed only with an adapter

// The fallback resources, null-terminated.
extern String fallBackResources[];

// Shell (shell.cpp).

// The whole program: start-up, then the event loop until OK, Cancel or a
// hang-up ends the process.
int CobaltpaneMain(int argc, char** argv);

// Builds the dialog frame "selBox" with its work area "rc" and the controls
// under parent, from the record, with the four button callbacks; returns it
// managed but not realised.
Widget CreateOptionsDialog(Widget parent);

// Reads the scroll bars and the adapter toggle into the record and stores it:
// 0, or -1 after showing the error dialog.
int DoApply(Widget w, XtPointer clientData, XtPointer callData);
// Stores the record and exits with status 0; stays up when the store fails.
void DoOK(Widget w, XtPointer clientData, XtPointer callData);
// Exits with status 0 and sends nothing.
void DoCancel(Widget w, XtPointer clientData, XtPointer callData);

// Help button (help.cpp).
extern Widget helpDialog;
void DoHelp(Widget w, XtPointer clientData, XtPointer callData);

// Controls (controls.cpp).

// Builds, in rc and in this order, the intensity group, the contrast group,
// the dither group with its initial choice, and the adapter toggle.
void CreateControls(Widget rc);

// The XmNmaximum of a scroll bar whose slider (size 1) must reach limit:
// limit + 1, held at INT_MAX.
int ScrollMaximum(std::int32_t limit);

// Whether a scroll bar made for minimum to maximum (slider 1, XmNmaximum
// from ScrollMaximum) holds that range exactly, so that its value is one
// the driver gave or the user chose: maximum + 1 is an int (not held at
// INT_MAX), above minimum, and at most INT_MAX above it.
bool ScrollBarHoldsRange(std::int32_t minimum, std::int32_t maximum);

// The value that Apply stores from a scroll bar made for minimum to
// maximum: its XmNvalue, except that a bar which does not hold that range
// and which the user has not moved leaves the record's value, fetched.
std::int32_t AppliedScrollValue(Widget scrollBar, std::int32_t fetched, std::int32_t minimum,
                                std::int32_t maximum);

// Scroll bar callback: shows the value in the label given as client data,
// and notes on the bar that the user has moved it.
void ShowScrollValue(Widget w, XtPointer clientData, XtPointer callData);
// "None" toggle: when set, writes ditherOn 0.
void SetNoDither(Widget w, XtPointer clientData, XtPointer callData);
// Pattern toggles: when set, writes ditherOn 1 and the pattern code carried
// in the client data.
void SetDitherPattern(Widget w, XtPointer clientData, XtPointer callData);

#endif
