// The Help button of amberpane: one help dialog, made by the first press and
// loaded afresh from the program's help file on every press.
#include "amberpane.h"

#include "help/help.h"

Widget helpDialog = nullptr;  // the help dialog, once Help was pressed

void DoHelp(Widget, XtPointer, XtPointer) {
    HlpShowHelp(&helpDialog, toplevel, SCAN_HELP_DIR "/amberpane/amberpane.hlp");
}
