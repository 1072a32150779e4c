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

namespace {

// Xt takes the lines as String but never writes into them.
constexpr String L(const char* line) {
    return const_cast<String>(line);
}

// clang-format off
String fallbacks[] = {
    L("*dialogTitle: Motif Floor"),

    // The look shared with the options programs
    L("*XmLabel*fontList: -*-helvetica-bold-r-normal-*-14-*-*-*-*-*-iso8859-1"),
    L("*XmLabelGadget*fontList: -*-helvetica-bold-r-normal-*-14-*-*-*-*-*-iso8859-1"),
    L("*XmScale*fontList: -*-helvetica-bold-r-normal-*-14-*-*-*-*-*-iso8859-1"),
    L("*XmBulletinBoard*labelFontList: -*-helvetica-bold-r-normal-*-14-*-*-*-*-*-iso8859-1"),
    L("*optionMenu.XmLabelGadget*fontList: -*-helvetica-bold-r-normal-*-14-*-*-*-*-*-iso8859-1"),
    L("*XmPushButton*fontList: -*-helvetica-medium-r-normal-*-14*iso8859-1"),
    L("*XmPushButtonGadget*fontList: -*-helvetica-medium-r-normal-*-14*iso8859-1"),
    L("*XmToggleButton*fontList: -*-helvetica-medium-r-normal-*-14*iso8859-1"),
    L("*XmToggleButtonGadget*fontList: -*-helvetica-medium-r-normal-*-14*iso8859-1"),
    L("*optionMenu*fontList: -*-helvetica-medium-r-normal-*-14*iso8859-1"),
    L("*XmIconGadget*fontList: -*-helvetica-medium-r-normal-*-14*iso8859-1"),
    L("*XmBulletinBoard*buttonFontList: -*-helvetica-medium-r-normal-*-14*iso8859-1"),
    L("*menuBar*fontList: -*-helvetica-bold-o-normal-*-14*iso8859-1"),
    L("*XmMenuShell*XmPushButton*fontList: -*-helvetica-bold-o-normal-*-14*iso8859-1"),
    L("*XmMenuShell*XmLabelGadget*fontList: -*-helvetica-bold-o-normal-*-14*iso8859-1"),
    L("*XmMenuShell*XmPushButtonGadget*fontList: -*-helvetica-bold-o-normal-*-14*iso8859-1"),
    L("*XmMenuShell*XmCascadeButton*fontList: -*-helvetica-bold-o-normal-*-14*iso8859-1"),
    L("*XmMenuShell*XmCascadeButtonGadget*fontList: -*-helvetica-bold-o-normal-*-14*iso8859-1"),
    L("*XmMenuShell*XmToggleButton*fontList: -*-helvetica-bold-o-normal-*-14*iso8859-1"),
    L("*XmMenuShell*XmToggleButtonGadget*fontList: -*-helvetica-bold-o-normal-*-14*iso8859-1"),
    L("*optionPane*fontList: -*-helvetica-bold-o-normal-*-14*iso8859-1"),
    L("*XmList*fontList: -*-screen-medium-r-normal-*-15*"),
    L("*XmText.fontList: -*-screen-medium-r-normal-*-14*"),
    L("*XmTextField.fontList: -*-screen-medium-r-normal-*-14*"),
    L("*XmPushButton*marginHeight: 4"),
    L("*XmPushButtonGadget*marginHeight: 4"),
    L("*XmMenuShell*marginRight: 4"),
    L("*XmMenuShell*XmLabelGadget*marginHeight: 4"),
    L("*XmToggleButtonGadget*spacing: 4"),
    L("*XmToggleButton*spacing: 4"),
    L("*XmText*marginHeight: 4"),
    L("*XmPushButton*marginWidth: 7"),
    L("*XmPushButtonGadget*marginWidth: 7"),
    L("*menuBar.spacing: 7"),
    L("*optionMenu*marginHeight: 0"),
    L("*optionMenu*marginWidth: 0"),
    L("*menuBar.marginHeight: 0"),
    L("*XmMenuShell*XmToggleButtonGadget*marginHeight: 0"),
    L("*XmScrolledWindow.spacing: 0"),
    L("*optionMenu*marginTop: 5"),
    L("*optionMenu*marginBottom: 5"),
    L("*optionPane*XmPushButton*marginHeight: 1"),
    L("*optionPane*XmPushButton*marginWidth: 1"),
    L("*menuBar*marginHeight: 1"),
    L("*menuBar*marginLeft: 1"),
    L("*optionPane*XmPushButton*marginLeft: 3"),
    L("*optionPane*XmPushButton*marginRight: 3"),
    L("*XmList*listMarginWidth: 3"),
    L("*XmMenuShell*marginLeft: 3"),
    L("*XmMenuShell*XmToggleButtonGadget*spacing: 2"),
    L("*XmMenuShell*XmToggleButtonGadget*indicatorSize: 10"),
    L("*XmScrollBar*width: 18"),
    L("*XmScrollBar*height: 18"),
    L("*XmScale*scaleHeight: 20"),
    nullptr,
};
// clang-format on

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
