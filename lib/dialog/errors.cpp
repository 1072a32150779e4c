// The shared error dialog "errorBox" and the start-up error box.
#include "dialog/errors.h"

#include <Xm/MessageB.h>
#include <Xm/Xm.h>

#include <cstdint>
#include <cstdlib>

#include "dialog/resources.h"
#include "dialog/string.h"

namespace {

Widget errorDialog = nullptr;            // created by the first post, never destroyed
const char* fatalTitle = nullptr;        // from the resources, once found
const char* fatalButtonLabel = nullptr;  // likewise

// The fatal flag travels as the callbacks' client data.
XtPointer flagData(int fatal) {
    return reinterpret_cast<XtPointer>(static_cast<std::intptr_t>(fatal));
}

// Sets a compound-string resource of w from a plain text.
void setTextResource(Widget w, const char* resource, const char* text) {
    XmString xms = CreateMotifString(text);
    XtVaSetValues(w, resource, xms, nullptr);
    XmStringFree(xms);
}

}  // namespace

void okcb(Widget w, XtPointer clientData, XtPointer /*callData*/) {
    if (clientData != nullptr)
        std::exit(1);
    XtUnmanageChild(w);
}

void ManageWhenVisible(Widget parent, XtPointer clientData, XEvent* /*event*/,
                       Boolean* /*dispatch*/) {
    XtManageChild(static_cast<Widget>(clientData));
    XtRemoveEventHandler(parent, VisibilityChangeMask, False, ManageWhenVisible, clientData);
}

void PostError(Widget parent, const char* message, int fatal) {
    if (errorDialog == nullptr) {
        Arg args[1];
        XtSetArg(args[0], XmNdialogStyle, XmDIALOG_FULL_APPLICATION_MODAL);
        errorDialog = XmCreateErrorDialog(parent, const_cast<char*>("errorBox"), args, 1);
        XtUnmanageChild(XmMessageBoxGetChild(errorDialog, XmDIALOG_CANCEL_BUTTON));
        XtUnmanageChild(XmMessageBoxGetChild(errorDialog, XmDIALOG_HELP_BUTTON));
    }

    // Only the latest post decides what OK does.
    XtRemoveAllCallbacks(errorDialog, XmNokCallback);
    XtAddCallback(errorDialog, XmNokCallback, okcb, flagData(fatal));
    setTextResource(errorDialog, XmNmessageString, message);

    if (fatal != 0) {
        if (fatalTitle == nullptr)
            fatalTitle = GetResourceString(errorDialog, "fatalTitle", "FatalTitle", nullptr);
        if (fatalButtonLabel == nullptr)
            fatalButtonLabel =
                GetResourceString(errorDialog, "fatalButtonLabel", "FatalButtonLabel", nullptr);
        if (fatalTitle != nullptr)
            setTextResource(errorDialog, XmNdialogTitle, fatalTitle);
        if (fatalButtonLabel != nullptr)
            setTextResource(errorDialog, XmNokLabelString, fatalButtonLabel);
    }

    if (XtIsRealized(parent))
        XtManageChild(errorDialog);
    else
        XtAddEventHandler(parent, VisibilityChangeMask, False, ManageWhenVisible, errorDialog);
}

void InitError(Widget toplevel, XtAppContext app, const char* message) {
    XmString text = CreateMotifString(message);
    Arg args[2];
    XtSetArg(args[0], XmNmessageString, text);
    XtSetArg(args[1], XmNdialogType, XmDIALOG_ERROR);
    Widget box = XmCreateMessageBox(toplevel, const_cast<char*>("errorBox"), args, 2);
    XmStringFree(text);
    XtAddCallback(box, XmNokCallback, okcb, flagData(1));
    XtManageChild(box);
    XtUnmanageChild(XmMessageBoxGetChild(box, XmDIALOG_CANCEL_BUTTON));
    XtUnmanageChild(XmMessageBoxGetChild(box, XmDIALOG_HELP_BUTTON));

    XtRealizeWidget(toplevel);
    XtAppMainLoop(app);  // ends only through okcb
    std::exit(1);
}
