// The Help button of cobaltpane.
#include "cobaltpane.h"

#include "help/help.h"

Widget helpDialog = nullptr;  // made by the first press of Help

void DoHelp(Widget, XtPointer, XtPointer) {
    if (helpDialog == nullptr)
        helpDialog = HlpCreateHelpDialog(toplevel, "helpTopic");
    // A missing help file still shows the dialog, with the text it had.
    HlpSetHelpFile(helpDialog, SCAN_HELP_DIR "/cobaltpane/cobaltpane.hlp");
    HlpPopup(helpDialog);
}
