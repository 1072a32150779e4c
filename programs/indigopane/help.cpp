// The Help button of indigopane: the top-level shell is the first member of
// the program's state, which every button of the dialog gets as client data.
#include "indigopane.h"

#include "help/help.h"

Widget helpDialog = nullptr;  // made by the first press of Help

void DoHelp(Widget, XtPointer clientData, XtPointer) {
    Widget toplevel = static_cast<SharpState*>(clientData)->toplevel;
    HlpShowHelp(&helpDialog, toplevel, SCAN_HELP_DIR "/indigopane/indigopane.hlp");
}
