#include "toolkit_fixture.h"

#include <Xm/Xm.h>
#include <Xm/ScrollBar.h>
#include <Xm/SelectioB.h>
#include <Xm/PushB.h>
#include <Xm/ToggleB.h>

#include <cstdlib>
#include <cstring>

namespace testrig {
namespace {

XtAppContext app = nullptr;
Display* display = nullptr;

}  // namespace

Widget OpenToolkit(const char* appName, const char* appClass, String* fallbacks,
                   const std::vector<std::string>& extraArgs) {
    if (display == nullptr) {
        XtToolkitInitialize();
        app = XtCreateApplicationContext();
        XtAppSetFallbackResources(app, fallbacks);
        // Xt keeps pointers into argv: give it storage that lives on.
        static std::vector<std::string> argStore;
        static std::vector<char*> argv;
        argStore.assign(1, appName);
        argStore.insert(argStore.end(), extraArgs.begin(), extraArgs.end());
        for (auto& a : argStore) argv.push_back(a.data());
        argv.push_back(nullptr);
        int argc = static_cast<int>(argStore.size());
        display = XtOpenDisplay(app, nullptr, appName, appClass, nullptr, 0, &argc, argv.data());
        if (display == nullptr) {
            ADD_FAILURE() << "cannot open the display (is DISPLAY set? run under xvfb-run)";
            std::abort();
        }
    }
    return XtVaAppCreateShell(appName, appClass, applicationShellWidgetClass, display, nullptr);
}

XtAppContext AppContext() {
    return app;
}
Display* TestDisplay() {
    return display;
}

void ProcessEvents() {
    XSync(display, False);
    while (XtAppPending(app) != 0) XtAppProcessEvent(app, XtIMAll);
}

Widget Find(Widget root, const char* path) {
    Widget w = XtNameToWidget(root, path);
    EXPECT_NE(w, nullptr) << "no widget " << path << " under " << XtName(root);
    return w;
}

void SetToggle(Widget toggle, bool on) {
    XmToggleButtonSetState(toggle, on ? True : False, True);
}

void MoveScrollBar(Widget scrollBar, int value, bool drag) {
    XmScrollBarSetValues(scrollBar, value, 0, 0, 0, False);
    // The toolkit keeps the value inside its range: report what it holds.
    int held = 0;
    XtVaGetValues(scrollBar, XmNvalue, &held, nullptr);
    XmScrollBarCallbackStruct cbs{};
    cbs.event = nullptr;
    cbs.value = held;
    if (drag) {
        cbs.reason = XmCR_DRAG;
        XtCallCallbacks(scrollBar, XmNdragCallback, &cbs);
    }
    cbs.reason = XmCR_VALUE_CHANGED;
    XtCallCallbacks(scrollBar, XmNvalueChangedCallback, &cbs);
}

void Activate(Widget button) {
    XmPushButtonCallbackStruct cbs{};
    cbs.reason = XmCR_ACTIVATE;
    cbs.click_count = 1;
    XtCallCallbacks(button, XmNactivateCallback, &cbs);
}

std::string XmStringText(XmString xms) {
    std::string text;
    XmStringContext ctx;
    if (xms == nullptr || !XmStringInitContext(&ctx, xms))
        return text;
    char* seg = nullptr;
    XmStringCharSet tag = nullptr;
    XmStringDirection dir;
    Boolean sep = False;
    while (XmStringGetNextSegment(ctx, &seg, &tag, &dir, &sep)) {
        text += seg;
        if (sep)
            text += "\n";
        XtFree(seg);
        XtFree(tag);
    }
    XmStringFreeContext(ctx);
    return text;
}

std::string LabelText(Widget label) {
    XmString xms = nullptr;
    XtVaGetValues(label, XmNlabelString, &xms, nullptr);
    std::string text = XmStringText(xms);
    if (xms != nullptr)
        XmStringFree(xms);
    return text;
}

void PressSelectionButton(Widget selectionBox, const char* callbackName) {
    XmSelectionBoxCallbackStruct cbs{};
    if (std::strcmp(callbackName, XmNokCallback) == 0)
        cbs.reason = XmCR_OK;
    else if (std::strcmp(callbackName, XmNapplyCallback) == 0)
        cbs.reason = XmCR_APPLY;
    else if (std::strcmp(callbackName, XmNcancelCallback) == 0)
        cbs.reason = XmCR_CANCEL;
    else
        cbs.reason = XmCR_HELP;
    XtCallCallbacks(selectionBox, callbackName, &cbs);
}

void ToolkitTest::SetUp() {
    toplevel = OpenToolkit(AppName(), AppClass(), Fallbacks());
}

}  // namespace testrig
