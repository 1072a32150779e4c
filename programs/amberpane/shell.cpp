// amberpane's shell: start-up, the dialog frame and the OK, Apply and Cancel
// handlers.
#include <Xm/RowColumn.h>
#include <Xm/SelectioB.h>
#include <Xm/Xm.h>

#include <signal.h>

#include <cstdlib>

#include "amberpane.h"
#include "dialog/errors.h"
#include "scan/parentcheck.h"
#include "scan/sc.h"

records::FS2Options options;  // all zero until the fetch
Widget toplevel = nullptr;

namespace {

constexpr int kRecordSize = static_cast<int>(records::FS2Options::kSize);

// DoApply returns a result for DoOK, but Xt calls its callbacks as void
// functions, and calling an int function through a void function pointer is
// undefined in C++: the Apply button gets this adapter instead.
void applyCB(Widget w, XtPointer clientData, XtPointer callData) {
    DoApply(w, clientData, callData);
}

}  // namespace

int FetchOptions(SCOptHandle* handle) {
    return SCScanOpt(handle, SC_OPT_GET, nullptr, 0, options.data(), kRecordSize);
}

int DoApply(Widget /*w*/, XtPointer clientData, XtPointer /*callData*/) {
    if (options.together()) {
        options.green().copyFrom(options.red());
        options.blue().copyFrom(options.red());
    }
    auto* handle = static_cast<SCOptHandle*>(clientData);
    if (SCScanOpt(handle, SC_OPT_SET, options.data(), kRecordSize, nullptr, 0) >= 0)
        return 0;
    PostError(toplevel, SCErrorString(SCerrno), 0);
    return -1;
}

void DoOK(Widget w, XtPointer clientData, XtPointer callData) {
    if (DoApply(w, clientData, callData) == 0)
        std::exit(0);
}

void DoCancel(Widget /*w*/, XtPointer /*clientData*/, XtPointer /*callData*/) {
    std::exit(0);
}

Widget CreateOptionsDialog(Widget shell, SCOptHandle* handle) {
    toplevel = shell;

    Arg args[1];
    XtSetArg(args[0], XmNdialogType, XmDIALOG_PROMPT);
    Widget selBox = XtCreateWidget("selBox", xmSelectionBoxWidgetClass, toplevel, args, 1);
    XtManageChild(XmSelectionBoxGetChild(selBox, XmDIALOG_APPLY_BUTTON));
    XtUnmanageChild(XmSelectionBoxGetChild(selBox, XmDIALOG_SELECTION_LABEL));
    XtUnmanageChild(XmSelectionBoxGetChild(selBox, XmDIALOG_TEXT));
    XtAddCallback(selBox, XmNokCallback, DoOK, handle);
    XtAddCallback(selBox, XmNapplyCallback, applyCB, handle);
    XtAddCallback(selBox, XmNcancelCallback, DoCancel, nullptr);
    XtAddCallback(selBox, XmNhelpCallback, DoHelp, nullptr);
    XtManageChild(selBox);

    XtSetArg(args[0], XmNorientation, XmVERTICAL);
    Widget rc = XmCreateRowColumn(selBox, const_cast<char*>("rc"), args, 1);
    XtManageChild(rc);
    CreateGeneralWidgets(rc);
    CreateMonoWidgets(rc);
    CreateGreyWidgets(rc);
    CreateColorWidgets(rc);
    return selBox;
}

int AmberpaneMain(int argc, char** argv) {
    InstallParentCheck(SIGHUP);

    XtAppContext app = nullptr;
    Widget shell =
        XtAppInitialize(&app, "Dezidov2", nullptr, 0, &argc, argv, fallBackResources, nullptr, 0);
    SCOptHandle* handle = SCGetScanOpt(&argc, argv);
    if (handle == nullptr || FetchOptions(handle) < 0)
        InitError(shell, app, SCErrorString(SCerrno));

    CreateOptionsDialog(shell, handle);
    XtRealizeWidget(shell);
    XtAppMainLoop(app);
    return 0;
}
