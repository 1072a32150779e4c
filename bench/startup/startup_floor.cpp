// The floor of the start-up benchmark: the least a program of this kind
// does.  It initialises the toolkit with the options programs' look (the same
// fonts, margins and spacings), shows one selection box with OK, Apply,
// Cancel and Help, and waits.  Whatever an options program takes beyond this
// is its own.
//
// With -locale as its first argument it first sets the locale from the
// environment and installs the toolkit's default language procedure, as
// cobaltpane and indigopane do; in a UTF-8 locale that makes the selection
// box's text field load the locale's whole compose table.
#include <Xm/Xm.h>
#include <Xm/SelectioB.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "amberpane.h"

namespace {

// The look shared with the options programs: lines 133 to 186 of
// amberpane's fallback resources (fonts, margins and spacings).
constexpr int kFirstLookLine = 132;
constexpr int kLookLines = 54;

// The floor's own title, the look lines and the terminating null.
String fallbacks[1 + kLookLines + 1];

void FillFallbacks() {
    static char title[] = "*dialogTitle: Motif Floor";
    fallbacks[0] = title;
    for (int i = 0; i < kLookLines; ++i) fallbacks[1 + i] = fallBackResources[kFirstLookLine + i];
    fallbacks[1 + kLookLines] = nullptr;
}

void Quit(Widget, XtPointer, XtPointer) {
    std::exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "-locale") == 0) {
        std::setlocale(LC_ALL, "");
        XtSetLanguageProc(nullptr, nullptr, nullptr);
        argv[1] = argv[0];
        --argc;
        ++argv;
    }
    FillFallbacks();
    XtAppContext app = nullptr;
    Widget toplevel =
        XtAppInitialize(&app, "StartupFloor", nullptr, 0, &argc, argv, fallbacks, nullptr, 0);

    // The options programs' frame without their work area: a prompt box
    // showing OK, Apply, Cancel and Help.
    Arg args[1];
    XtSetArg(args[0], XmNdialogType, XmDIALOG_PROMPT);
    Widget box = XtCreateWidget("selBox", xmSelectionBoxWidgetClass, toplevel, args, 1);
    XtManageChild(XmSelectionBoxGetChild(box, XmDIALOG_APPLY_BUTTON));
    XtUnmanageChild(XmSelectionBoxGetChild(box, XmDIALOG_SELECTION_LABEL));
    XtUnmanageChild(XmSelectionBoxGetChild(box, XmDIALOG_TEXT));
    XtAddCallback(box, XmNokCallback, Quit, nullptr);
    XtAddCallback(box, XmNcancelCallback, Quit, nullptr);
    XtManageChild(box);

    XtRealizeWidget(toplevel);
    XtAppMainLoop(app);
    return 0;
}
