// The Help button of cobaltpane.
#include "cobaltpane.h"

#include "help/help.h"

Widget helpDialog = nullptr;  // made by the first press of Help

void DoHelp(Widget, XtPointer, XtPointer) {
    HlpShowHelp(&helpDialog, toplevel, SCAN_HELP_DIR "/cobaltpane/cobaltpane.hlp");
}
