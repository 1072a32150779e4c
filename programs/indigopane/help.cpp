// The Help button of indigopane.
#include "indigopane.h"

#include "help/help.h"

Widget helpDialog = nullptr;  // made by the first press of Help

void DoHelp(Widget, XtPointer clientData, XtPointer) {
    if (helpDialog == nullptr) {
        Widget toplevel = static_cast<SharpState*>(clientData)->toplevel;
        helpDialog = HlpCreateHelpDialog(toplevel, "helpTopic");
    }
    // A missing help file still shows the dialog, with the text it had.
    HlpSetHelpFile(helpDialog, SCAN_HELP_DIR "/indigopane/indigopane.hlp");
    HlpPopup(helpDialog);
}
