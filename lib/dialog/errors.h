// Telling the user about failures: the shared error dialog "errorBox" and
// the start-up error box.
#ifndef SCAN_DIALOG_ERRORS_H
#define SCAN_DIALOG_ERRORS_H

#include <X11/Intrinsic.h>

// OK callback of both error windows: exits with status 1 when the client
// data (the fatal flag) is non-zero, otherwise hides the dialog.
void okcb(Widget w, XtPointer clientData, XtPointer callData);

// Event handler: manages the dialog given as client data on the parent's
// first event, then removes itself.
void ManageWhenVisible(Widget parent, XtPointer clientData, XEvent* event, Boolean* dispatch);

// Shows the shared error dialog with the message; when fatal is non-zero its
// OK ends the program with status 1.  Created on the first call, reused.
void PostError(Widget parent, const char* message, int fatal);

// Turns the top-level shell into an error box with the message, runs the
// event loop for it and exits with status 1 when the user presses OK.
[[noreturn]] void InitError(Widget toplevel, XtAppContext app, const char* message);

#endif
