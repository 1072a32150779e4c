// The Help button of amberpane: one help dialog, made by the first press and
// loaded afresh from the program's help file on every press.
#include "amberpane.h"

#include "help/help.h"

Widget helpDialog = nullptr;  // the help dialog, once Help was pressed

void DoHelp(Widget, XtPointer, XtPointer) {
    if (helpDialog == nullptr) {
        helpDialog = HlpCreateHelpDialog(toplevel, "helpTopic");
    }
    // A help file that cannot be loaded leaves the text shown before (none
    // the first time); the dialog comes up all the same.
    HlpSetHelpFile(helpDialog, SCAN_HELP_DIR "/amberpane/amberpane.hlp");
    HlpPopup(helpDialog);
}
