// The help viewer: a modeless dialog that shows a plain-text help file in a
// scrolled, read-only text beside the information symbol, closed with its
// "  OK  " button.
#ifndef SCAN_HELP_HELP_H
#define SCAN_HELP_HELP_H

#include <X11/Intrinsic.h>

#include <cstddef>

// One record per help dialog, hung on the dialog's XmNuserData.  It lives as
// long as the program and owns the mapping of the loaded help file.
struct HlpDialogRec {
    Widget dialog;            // the form inside the dialog shell
    Widget pane;              // "helpPane"
    Widget text;              // "helpText"
    Widget scrolledWindow;    // "helpSW"
    Widget clipWindow;        // the clip window of "helpSW"
    Widget vScrollBar;        // the vertical scroll bar of "helpSW"
    const char* fileAddress;  // current mapping of the help file, or null
    std::size_t fileLength;   // the file's size when it was loaded, or 0
    int lineHeight;           // one text line in pixels: the line increment
};

// Builds the help dialog under parent with the given widget name; returns the
// form (unmanaged, inside its dialog shell) with an empty text.
Widget HlpCreateHelpDialog(Widget parent, const char* name);

// Loads the help file at path into the dialog, releasing the previous file
// first.  Returns 0, or -1 when the file is missing, unreadable, empty or not
// a regular file; the dialog then keeps the text it showed before.
int HlpSetHelpFile(Widget dialog, const char* path);

// Shows the dialog, its width fitted to the text widget.
void HlpPopup(Widget dialog);

// What every options program's Help button does: creates the dialog under
// parent as "helpTopic" into *dialog on the first call, loads the help file
// at path afresh and pops the dialog up.  A file that cannot be loaded leaves
// the text shown before (none the first time); the dialog comes up all the
// same.
void HlpShowHelp(Widget* dialog, Widget parent, const char* path);

#endif
