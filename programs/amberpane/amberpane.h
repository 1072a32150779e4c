// amberpane, the options program of the Ricoh FS2 scanner: what the shell
// and the groups of controls share.
#ifndef AMBERPANE_H
#define AMBERPANE_H

#include <X11/Intrinsic.h>

#include "records/fs2.h"

// The one option record, as fetched and as it will be stored.  Every
// control writes into it the moment it changes.
extern records::FS2Options options;

// The application shell: parent of the dialog frame, the error dialogs and
// the help dialog.
extern Widget toplevel;

// The fallback resources, null-terminated.
extern String fallBackResources[];

struct SCOptHandle;

// Shell (shell.cpp).
// The whole program: start-up, then the event loop.  Returns only when the
// loop does.
int AmberpaneMain(int argc, char** argv);

// Fetches the record from the driver into options: the SCScanOpt result.  A
// reply shorter than the record leaves the rest as it was.
int FetchOptions(SCOptHandle* handle);

// Makes shell the program's top-level shell and builds the dialog frame into
// it: "selBox" with its four callbacks (OK and Apply get the handle) and the
// work area "rc" holding the groups built from the record.  Returns "selBox".
Widget CreateOptionsDialog(Widget shell, SCOptHandle* handle);

// Stores the record (red copied into green and blue first while "together"
// is set): 0, or -1 after showing the error dialog.
int DoApply(Widget w, XtPointer clientData, XtPointer callData);
void DoOK(Widget w, XtPointer clientData, XtPointer callData);
void DoCancel(Widget w, XtPointer clientData, XtPointer callData);

// Help button (help.cpp).
extern Widget helpDialog;
void DoHelp(Widget w, XtPointer clientData, XtPointer callData);

// Groups of the work area, each built from the record into the row column.
void CreateGeneralWidgets(Widget parent);  // general.cpp: media type
void CreateMonoWidgets(Widget parent);     // general.cpp: black and white
void CreateGreyWidgets(Widget parent);     // frames.cpp
void CreateColorWidgets(Widget parent);    // frames.cpp

// A scroll bar's value label and the 16-bit record field it sets.
struct ValueLink {
    Widget valueLabel;
    unsigned char* target;  // most significant byte first
};

// Scroll bar callback: shows the value with "%-4d" and stores it.
void DoScroll(Widget w, XtPointer clientData, XtPointer callData);

// The pieces of a value slider, shared by the threshold and the gamma groups
// (general.cpp).  A slider sits in a form below its title: the range labels
// on either side, the scroll bar between them, and a value label that
// DoScroll keeps up to date.

// Creates a label in form showing value with "%d", attached below title.
Widget RangeLabel(const char* name, Widget form, Widget title, int value);

// Creates a horizontal scroll bar in form below title, between the range
// labels min and max, with the given range, slider size and initial value,
// and hangs DoScroll with link on its value-changed and drag callbacks.
Widget ValueScroll(const char* name, Widget form, Widget title, Widget min, Widget max, int minimum,
                   int maximum, int sliderSize, int value, ValueLink* link);

// Shows value in a slider's value label, formatted with "%-4d".
void ShowValue(Widget label, int value);

#endif
