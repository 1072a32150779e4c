// The shared error dialog and the start-up error box.  Paths that end the
// process run as death tests.
#include "toolkit_fixture.h"

#include <X11/IntrinsicP.h>
#include <Xm/MessageB.h>
#include <Xm/Xm.h>

#include <cstdlib>
#include <string>

#include "dialog/errors.h"

namespace {

String plainFallbacks[] = {
    const_cast<char*>("*errorBox.dialogTitle: Error"),
    nullptr,
};

String fatalFallbacks[] = {
    const_cast<char*>("*errorBox.dialogTitle: Error"),
    const_cast<char*>("dialogtest.fatalTitle: Cannot Go On"),
    const_cast<char*>("dialogtest.fatalButtonLabel: Quit"),
    nullptr,
};

class DialogErrors : public testrig::ToolkitTest {
  protected:
    const char* AppName() const override { return "dialogtest"; }
    const char* AppClass() const override { return "DialogTest"; }
    String* Fallbacks() const override { return plainFallbacks; }

    void SetUp() override {
        ToolkitTest::SetUp();
        XtVaSetValues(toplevel, XmNwidth, 200, XmNheight, 100, nullptr);
    }

    Widget ErrorBox() { return XtNameToWidget(toplevel, "*errorBox"); }
    Widget Child(unsigned char which) { return XmMessageBoxGetChild(ErrorBox(), which); }
    std::string Message() { return testrig::LabelText(Child(XmDIALOG_MESSAGE_LABEL)); }
    std::string Title() {
        XmString xms = nullptr;
        XtVaGetValues(ErrorBox(), XmNdialogTitle, &xms, nullptr);
        std::string text = testrig::XmStringText(xms);
        XmStringFree(xms);
        return text;
    }
    void PressOK() { testrig::Activate(Child(XmDIALOG_OK_BUTTON)); }
};

class DialogFatalResources : public DialogErrors {
  protected:
    String* Fallbacks() const override { return fatalFallbacks; }
};

TEST_F(DialogErrors, PostsReuseOneDialogWithOnlyOK) {
    XtRealizeWidget(toplevel);
    PostError(toplevel, "first", 0);
    testrig::ProcessEvents();
    Widget box = ErrorBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(XtIsManaged(box));
    EXPECT_EQ(Message(), "first");
    EXPECT_EQ(Title(), "Error");
    EXPECT_TRUE(XtIsManaged(Child(XmDIALOG_OK_BUTTON)));
    EXPECT_FALSE(XtIsManaged(Child(XmDIALOG_CANCEL_BUTTON)));
    EXPECT_FALSE(XtIsManaged(Child(XmDIALOG_HELP_BUTTON)));
    unsigned char style = 0;
    XtVaGetValues(box, XmNdialogStyle, &style, nullptr);
    EXPECT_EQ(style, XmDIALOG_FULL_APPLICATION_MODAL);

    PressOK();
    testrig::ProcessEvents();
    EXPECT_FALSE(XtIsManaged(box));

    PostError(toplevel, "second\n\nline", 0);
    testrig::ProcessEvents();
    EXPECT_EQ(ErrorBox(), box);
    EXPECT_EQ(toplevel->core.num_popups, 1u);
    EXPECT_TRUE(XtIsManaged(box));
    EXPECT_EQ(Message(), "second\nline");
}

TEST_F(DialogErrors, OKAfterFatalThenNonFatalPostOnlyHides) {
    XtRealizeWidget(toplevel);
    PostError(toplevel, "fatal", 1);
    testrig::ProcessEvents();
    // Without fatalTitle and fatalButtonLabel the fatal dialog looks ordinary.
    EXPECT_EQ(Title(), "Error");
    EXPECT_EQ(testrig::LabelText(Child(XmDIALOG_OK_BUTTON)), "OK");

    PostError(toplevel, "not fatal", 0);
    testrig::ProcessEvents();
    EXPECT_EQ(Message(), "not fatal");
    PressOK();  // must return: this test would end with status 1 otherwise
    testrig::ProcessEvents();
    EXPECT_FALSE(XtIsManaged(ErrorBox()));
}

TEST_F(DialogErrors, OKOfAFatalPostEndsWithStatusOne) {
    XtRealizeWidget(toplevel);
    PostError(toplevel, "not fatal", 0);
    EXPECT_EXIT(
        {
            PostError(toplevel, "fatal", 1);
            testrig::ProcessEvents();
            PressOK();
        },
        ::testing::ExitedWithCode(1), "");
}

TEST_F(DialogErrors, PostBeforeRealisingShowsOnFirstVisibility) {
    PostError(toplevel, "early", 0);
    testrig::ProcessEvents();
    Widget box = ErrorBox();
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(XtIsManaged(box));

    XtRealizeWidget(toplevel);
    testrig::ProcessEvents();
    EXPECT_TRUE(XtIsManaged(box));
    EXPECT_EQ(Message(), "early");

    // Once shown, later visibility changes leave the dialog alone.
    PressOK();
    testrig::ProcessEvents();
    XUnmapWindow(XtDisplay(toplevel), XtWindow(toplevel));
    testrig::ProcessEvents();
    XMapWindow(XtDisplay(toplevel), XtWindow(toplevel));
    testrig::ProcessEvents();
    EXPECT_FALSE(XtIsManaged(box));
}

TEST_F(DialogFatalResources, FatalPostTakesTitleAndButtonFromTheResources) {
    XtRealizeWidget(toplevel);
    PostError(toplevel, "fatal", 1);
    testrig::ProcessEvents();
    EXPECT_EQ(Title(), "Cannot Go On");
    EXPECT_EQ(testrig::LabelText(Child(XmDIALOG_OK_BUTTON)), "Quit");

    // A later ordinary post does not restore them.
    PostError(toplevel, "not fatal", 0);
    testrig::ProcessEvents();
    EXPECT_EQ(Title(), "Cannot Go On");
    EXPECT_EQ(testrig::LabelText(Child(XmDIALOG_OK_BUTTON)), "Quit");
}

// Timer procedures run by InitError's event loop, in the role of the user.
void PressStartupOK(XtPointer clientData, XtIntervalId*) {
    Widget box = XtNameToWidget(static_cast<Widget>(clientData), "errorBox");
    // Only OK, and the message: anything else ends with a status the test rejects.
    if (box == nullptr || !XtIsManaged(box) ||
        XtIsManaged(XmMessageBoxGetChild(box, XmDIALOG_CANCEL_BUTTON)) ||
        XtIsManaged(XmMessageBoxGetChild(box, XmDIALOG_HELP_BUTTON)) ||
        testrig::LabelText(XmMessageBoxGetChild(box, XmDIALOG_MESSAGE_LABEL)) !=
            "No channel\nat all")
        std::exit(2);
    testrig::Activate(XmMessageBoxGetChild(box, XmDIALOG_OK_BUTTON));
}

void LeaveTheLoop(XtPointer, XtIntervalId*) {
    XtAppSetExitFlag(testrig::AppContext());
}

TEST_F(DialogErrors, InitErrorEndsWithStatusOne) {
    EXPECT_EXIT(
        {
            XtAppAddTimeOut(testrig::AppContext(), 0, PressStartupOK, toplevel);
            InitError(toplevel, testrig::AppContext(), "No channel\nat all");
        },
        ::testing::ExitedWithCode(1), "");
    // Should the event loop ever return, the end is the same.
    EXPECT_EXIT(
        {
            XtAppAddTimeOut(testrig::AppContext(), 0, LeaveTheLoop, nullptr);
            InitError(toplevel, testrig::AppContext(), "No channel");
        },
        ::testing::ExitedWithCode(1), "");
}

}  // namespace
