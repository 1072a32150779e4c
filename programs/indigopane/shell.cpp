// The shell of indigopane: start-up, the dialog frame and the OK, Apply and
// Cancel buttons.
#include "indigopane.h"

#include <Xm/Xm.h>
#include <Xm/RowColumn.h>
#include <Xm/SelectioB.h>

#include <clocale>
#include <csignal>
#include <cstdlib>

#include "dialog/errors.h"
#include "scan/parentcheck.h"

namespace {

SharpState state;  // the one state record; its option record is zero until fetched

// Xt calls every callback as void(Widget, XtPointer, XtPointer); calling the
// int-returning ApplyCallback through that type would be undefined
// behaviour, so the Apply button gets this adapter instead.
void ApplyPressed(Widget w, XtPointer clientData, XtPointer callData) {
    ApplyCallback(w, clientData, callData);
}

}  // namespace

int IndigopaneMain(int argc, char** argv) {
    std::setlocale(LC_ALL, "");
    XtSetLanguageProc(nullptr, nullptr, nullptr);
    InstallParentCheck(SIGHUP);
    InstallParentCheck(SIGQUIT);
    XtAppContext app = nullptr;
    state.toplevel =
        XtAppInitialize(&app, "Indigopane", nullptr, 0, &argc, argv, fallBackResources, nullptr, 0);

    state.handle = SCGetScanOpt(&argc, argv);
    if (state.handle == nullptr)
        InitError(state.toplevel, app, SCErrorString(SCerrno));
    if (SCScanOpt(state.handle, SC_OPT_GET, nullptr, 0, state.options.data(),
                  static_cast<int>(state.options.size())) < 0) {
        InitError(state.toplevel, app, SCErrorString(SCerrno));
    }

    CreateOptionsDialog(&state);
    XtRealizeWidget(state.toplevel);
    XtAppMainLoop(app);
    return 0;
}

Widget CreateOptionsDialog(SharpState* s) {
    Arg args[1];
    XtSetArg(args[0], XmNdialogType, XmDIALOG_PROMPT);
    Widget selBox = XtCreateWidget("selBox", xmSelectionBoxWidgetClass, s->toplevel, args, 1);
    Widget rc = XmCreateRowColumn(selBox, const_cast<char*>("rc"), nullptr, 0);
    XtManageChild(rc);
    CreateControls(rc, s);

    // Show the work area above OK, Apply, Cancel and Help: the prompt's own
    // label and text field are not used.
    XtManageChild(XmSelectionBoxGetChild(selBox, XmDIALOG_APPLY_BUTTON));
    XtUnmanageChild(XmSelectionBoxGetChild(selBox, XmDIALOG_SELECTION_LABEL));
    XtUnmanageChild(XmSelectionBoxGetChild(selBox, XmDIALOG_TEXT));
    XtManageChild(selBox);

    XtAddCallback(selBox, XmNokCallback, OKCallback, s);
    XtAddCallback(selBox, XmNapplyCallback, ApplyPressed, s);
    XtAddCallback(selBox, XmNcancelCallback, CancelCallback, s);
    XtAddCallback(selBox, XmNhelpCallback, DoHelp, s);
    return selBox;
}

int ApplyCallback(Widget, XtPointer clientData, XtPointer) {
    auto* s = static_cast<SharpState*>(clientData);
    CollectControls(s);
    if (SCScanOpt(s->handle, SC_OPT_SET, s->options.data(), static_cast<int>(s->options.size()),
                  nullptr, 0) >= 0) {
        return 0;
    }
    PostError(s->toplevel, SCErrorString(SCerrno), 0);
    return -1;
}

void OKCallback(Widget w, XtPointer clientData, XtPointer callData) {
    if (ApplyCallback(w, clientData, callData) != 0)
        return;  // the error dialog is up; the user may try again
    std::exit(0);
}

void CancelCallback(Widget, XtPointer, XtPointer) {
    std::exit(0);
}
