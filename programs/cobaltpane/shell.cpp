// The shell of cobaltpane: start-up, the dialog frame and the OK, Apply and
// Cancel buttons.
#include "cobaltpane.h"

#include <Xm/Xm.h>
#include <Xm/RowColumn.h>
#include <Xm/SelectioB.h>
#include <Xm/ToggleB.h>

#include <clocale>
#include <csignal>
#include <cstdlib>

#include "dialog/errors.h"
#include "scan/parentcheck.h"

records::SjOptions options;         // zero until fetched
SCOptHandle* optHandle = nullptr;   // the channel on descriptor 6
XtAppContext appContext = nullptr;  // from the toolkit's initialisation
Widget toplevel = nullptr;          // the application shell
Widget iscroll = nullptr;           // intensity scroll bar
Widget cscroll = nullptr;           // contrast scroll bar
Widget disableTPA = nullptr;        // adapter toggle

namespace {

// Xt calls every callback as void(Widget, XtPointer, XtPointer); calling the
// int-returning DoApply through that type would be undefined behaviour, so
// the Apply button gets this adapter instead.
void ApplyCallback(Widget w, XtPointer clientData, XtPointer callData) {
    DoApply(w, clientData, callData);
}

}  // namespace

int CobaltpaneMain(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    XtSetLanguageProc(nullptr, nullptr, nullptr);
    InstallParentCheck(SIGHUP);
    toplevel = XtAppInitialize(&appContext, "RoVIz", nullptr, 0, &argc, argv, fallBackResources,
                               nullptr, 0);

    optHandle = SCGetScanOpt(&argc, argv);
    if (optHandle == nullptr)
        InitError(toplevel, appContext, SCErrorString(SCerrno));
    if (SCScanOpt(optHandle, SC_OPT_GET, nullptr, 0, options.data(),
                  static_cast<int>(options.size())) < 0) {
        InitError(toplevel, appContext, SCErrorString(SCerrno));
    }

    CreateOptionsDialog(toplevel);
    XtRealizeWidget(toplevel);
    XtAppMainLoop(appContext);
    return 0;
}

Widget CreateOptionsDialog(Widget parent) {
    Arg args[1];
    XtSetArg(args[0], XmNdialogType, XmDIALOG_PROMPT);
    Widget selBox = XtCreateWidget("selBox", xmSelectionBoxWidgetClass, parent, args, 1);
    Widget rc = XmCreateRowColumn(selBox, const_cast<char*>("rc"), nullptr, 0);
    XtManageChild(rc);
    CreateControls(rc);

    // Show the work area above OK, Apply, Cancel and Help: the prompt's own
    // label and text field are not used.
    XtManageChild(XmSelectionBoxGetChild(selBox, XmDIALOG_APPLY_BUTTON));
    XtUnmanageChild(XmSelectionBoxGetChild(selBox, XmDIALOG_SELECTION_LABEL));
    XtUnmanageChild(XmSelectionBoxGetChild(selBox, XmDIALOG_TEXT));
    XtManageChild(selBox);

    XtAddCallback(selBox, XmNokCallback, DoOK, nullptr);
    XtAddCallback(selBox, XmNapplyCallback, ApplyCallback, nullptr);
    XtAddCallback(selBox, XmNcancelCallback, DoCancel, nullptr);
    XtAddCallback(selBox, XmNhelpCallback, DoHelp, nullptr);
    return selBox;
}

int DoApply(Widget, XtPointer, XtPointer) {
    options.setIntensity(AppliedScrollValue(iscroll, options.intensity(), options.intensityMin(),
                                            options.intensityMax()));
    options.setContrast(AppliedScrollValue(cscroll, options.contrast(), options.contrastMin(),
                                           options.contrastMax()));
    if (options.tpaPresent())
        options.setTpaEnabled(!XmToggleButtonGetState(disableTPA));

    if (SCScanOpt(optHandle, SC_OPT_SET, options.data(), static_cast<int>(options.size()), nullptr,
                  0) >= 0) {
        return 0;
    }
    PostError(toplevel, SCErrorString(SCerrno), 0);
    return -1;
}

void DoOK(Widget w, XtPointer clientData, XtPointer callData) {
    if (DoApply(w, clientData, callData) != 0)
        return;  // the error dialog is up
    std::exit(0);
}

void DoCancel(Widget, XtPointer, XtPointer) {
    std::exit(0);
}
