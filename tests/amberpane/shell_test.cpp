// amberpane's shell in-process: the frame, the record's way to the driver on
// Apply and OK, Cancel, a failed store, the hang-up handler and the fallback
// resources.  The driver is a real process behind descriptor 6.
#include "toolkit_fixture.h"

#include <X11/Xlib.h>
#include <Xm/RowColumn.h>
#include <Xm/SelectioB.h>
#include <Xm/MessageB.h>

#include <signal.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "amberpane.h"
#include "driver_peer.h"
#include "scan/parentcheck.h"
#include "scan/sc.h"

namespace {

using testrig::Bytes;
using testrig::DriverPeer;
using Record = std::array<unsigned char, 40>;

// A record with "together" set and every byte telling, its values in range
// so that building the controls leaves it as it is.
constexpr Record kTogether = {
    0x02,        0x03, 0x00, 0xC8,  // ordered dither, pattern 3, threshold 200
    0x20 | 0x15, 0xA5,              // together, other flag bits; byte 5
    0xF1,        0x12, 0x01, 0x23, 0xDE, 0xAD, 0x02, 0x34,  // grey
    0x77,        0x33, 0x00, 0x10, 0xBE, 0xEF, 0x00, 0x20,  // red
    0x66,        0x44, 0x03, 0x00, 0x12, 0x34, 0x00, 0x30,  // blue
    0x55,        0x21, 0x00, 0x40, 0x56, 0x78, 0x03, 0xFF,  // green
    0x5A,        0xC3,                                      // bytes 38, 39
};

// kTogether as stored: red's 8 bytes (14..21) in green (30..37) and blue (22..29).
Record Stored(Record r) {
    for (int i = 0; i < 8; ++i) r[22 + i] = r[30 + i] = r[14 + i];
    return r;
}

std::string Str(const Record& r) {
    return Bytes(r.data(), r.size());
}

std::string Str(const records::FS2Options& o) {
    return Bytes(o.data(), o.size());
}

class AmberpaneShell : public testrig::ToolkitTest {
  protected:
    const char* AppName() const override { return "amberpane"; }
    const char* AppClass() const override { return "Dezidov2"; }
    String* Fallbacks() const override { return fallBackResources; }

    // Fetches the record through the driver (a DriverPeer on descriptor 6)
    // and builds the dialog as start-up does.
    void Start() {
        int argc = 1;
        char name[] = "amberpane";
        char* argv[] = {name, nullptr};
        handle = SCGetScanOpt(&argc, argv);
        ASSERT_NE(handle, nullptr);
        ASSERT_EQ(FetchOptions(handle), 0);
        selBox = CreateOptionsDialog(toplevel, handle);
        XtRealizeWidget(toplevel);
        testrig::ProcessEvents();
    }

    SCOptHandle* handle = nullptr;
    Widget selBox = nullptr;
};

DriverPeer::Reply Fetched(const Record& r) {
    return {0, Str(r)};
}

// A test process that exits with 0 in the middle of a test would pass under
// ctest: while a MustNotExit lives, exit ends the process with status 3.
bool exitForbidden = false;

void FailForbiddenExit() {
    if (exitForbidden) {
        std::fputs("the program exited where it had to go on\n", stderr);
        _exit(3);
    }
}

struct MustNotExit {
    MustNotExit() {
        static const bool hooked = std::atexit(FailForbiddenExit) == 0;
        (void)hooked;
        exitForbidden = true;
    }
    ~MustNotExit() { exitForbidden = false; }
};

TEST_F(AmberpaneShell, FrameIsAPromptBoxWithApplyAndTheWorkArea) {
    DriverPeer driver({Fetched(kTogether)});
    Start();
    EXPECT_EQ(XtClass(selBox), xmSelectionBoxWidgetClass);
    EXPECT_STREQ(XtName(selBox), "selBox");
    EXPECT_TRUE(XtIsManaged(selBox));
    unsigned char type = 0;
    XtVaGetValues(selBox, XmNdialogType, &type, nullptr);
    EXPECT_EQ(type, XmDIALOG_PROMPT);
    for (unsigned char shown :
         {XmDIALOG_OK_BUTTON, XmDIALOG_APPLY_BUTTON, XmDIALOG_CANCEL_BUTTON, XmDIALOG_HELP_BUTTON})
        EXPECT_TRUE(XtIsManaged(XmSelectionBoxGetChild(selBox, shown))) << int(shown);
    EXPECT_FALSE(XtIsManaged(XmSelectionBoxGetChild(selBox, XmDIALOG_SELECTION_LABEL)));
    EXPECT_FALSE(XtIsManaged(XmSelectionBoxGetChild(selBox, XmDIALOG_TEXT)));

    Widget rc = testrig::Find(selBox, "rc");
    ASSERT_NE(rc, nullptr);
    EXPECT_EQ(XmSelectionBoxGetChild(selBox, XmDIALOG_WORK_AREA), rc);
    EXPECT_TRUE(XtIsManaged(rc));
    unsigned char orientation = 0;
    XtVaGetValues(rc, XmNorientation, &orientation, nullptr);
    EXPECT_EQ(orientation, XmVERTICAL);

    char* title = nullptr;
    ASSERT_NE(XFetchName(XtDisplay(toplevel), XtWindow(toplevel), &title), 0);
    EXPECT_STREQ(title, "Ricoh FS2 Options");
    XFree(title);
}

TEST_F(AmberpaneShell, ApplySendsTheRecordInChannelOrderWithRedInGreenAndBlue) {
    DriverPeer driver({Fetched(kTogether)});
    Start();
    testrig::PressSelectionButton(selBox, XmNapplyCallback);
    EXPECT_EQ(Str(options), Str(Stored(kTogether)));  // the copy stays in memory

    auto requests = driver.Finish();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].code, SC_OPT_GET);
    EXPECT_EQ(requests[0].body, "");
    EXPECT_EQ(requests[1].code, SC_OPT_SET);
    EXPECT_EQ(requests[1].body, Str(Stored(kTogether)));
}

TEST_F(AmberpaneShell, AShortFetchLeavesTheRestOfTheRecordZero) {
    Record head{};
    const unsigned char first[] = {0x03, 0x05, 0x00, 0x40, 0x00, 0x00, 0x10, 0x01, 0x00, 0x40};
    std::copy(std::begin(first), std::end(first), head.begin());
    DriverPeer driver({{0, Bytes(first, sizeof first)}});
    Start();
    testrig::PressSelectionButton(selBox, XmNapplyCallback);
    auto requests = driver.Finish();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].body, Str(head));
}

TEST_F(AmberpaneShell, FailedStoreShowsTheErrorKeepsTheEditsAndALaterOKExitsZero) {
    DriverPeer driver({Fetched(kTogether), {230, "Scanner lamp is cold"}});
    Start();
    options.setThreshold(17);  // an edit, as the threshold slider makes it
    Record edited = Stored(kTogether);
    edited[2] = 0x00;
    edited[3] = 0x11;

    {
        MustNotExit guard;
        testrig::PressSelectionButton(selBox, XmNokCallback);  // fails: the program stays
        testrig::ProcessEvents();
    }
    Widget box = XtNameToWidget(toplevel, "*errorBox");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(XtIsManaged(box));
    EXPECT_EQ(testrig::LabelText(XmMessageBoxGetChild(box, XmDIALOG_MESSAGE_LABEL)),
              "Scanner lamp is cold");
    EXPECT_EQ(Str(options), Str(edited));

    EXPECT_EXIT(testrig::PressSelectionButton(selBox, XmNokCallback), ::testing::ExitedWithCode(0),
                "");
    auto requests = driver.Finish();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].code, SC_OPT_SET);
    EXPECT_EQ(requests[2].code, SC_OPT_SET);
    EXPECT_EQ(requests[1].body, Str(edited));
    EXPECT_EQ(requests[2].body, Str(edited));
}

TEST_F(AmberpaneShell, ApplyThenCancelStoresOnceAndExitsZero) {
    DriverPeer driver({Fetched(kTogether)});
    Start();
    testrig::PressSelectionButton(selBox, XmNapplyCallback);
    options.setThreshold(99);  // dropped by Cancel
    EXPECT_EXIT(testrig::PressSelectionButton(selBox, XmNcancelCallback),
                ::testing::ExitedWithCode(0), "");
    auto requests = driver.Finish();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].code, SC_OPT_SET);
    EXPECT_EQ(requests[1].body, Str(Stored(kTogether)));
}

TEST_F(AmberpaneShell, HangUpWithTheParentAliveChangesNothing) {
    DriverPeer driver({Fetched(kTogether)});
    Start();
    // The handler ends the process with _exit, which no guard sees: the
    // hang-up goes to a child (whose parent, this process, stays alive) that
    // must live on to report with status 7.
    EXPECT_EXIT(
        {
            InstallParentCheck(SIGHUP);
            raise(SIGHUP);
            testrig::PressSelectionButton(selBox, XmNapplyCallback);
            std::_Exit(7);
        },
        ::testing::ExitedWithCode(7), "");
    auto requests = driver.Finish();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].body, Str(Stored(kTogether)));
}

TEST(AmberpaneFallbacks, AllLinesInOrderEachResourceOnce) {
    std::size_t count = 0;
    while (fallBackResources[count] != nullptr) ++count;
    ASSERT_EQ(count, 192u);
    struct Line {
        std::size_t number;  // from 1
        const char* text;
    };
    const Line lines[] = {
        {1, "*dialogTitle: Ricoh FS2 Options"},
        {66, "*contrValuelabel.labelString: 00000"},
        {70, "*redGammaTypeLabel.redGStringString: Red Gamma Type:"},
        {71, "*redGammaTypeLabel.colorGStringString: Color Gamma Type:"},
        {132, "*errorBox.dialogTitle: Error"},
        {133, "*XmLabel*fontList: -*-helvetica-bold-r-normal-*-14-*-*-*-*-*-iso8859-1"},
        {186, "*XmScale*scaleHeight: 20"},
        {192, "Dezidov2*XmScrollBar.highlightThickness:        1"},
    };
    for (const Line& l : lines) EXPECT_STREQ(fallBackResources[l.number - 1], l.text) << l.number;

    std::set<std::string> resources;
    for (std::size_t i = 0; i < count; ++i) {
        std::string line = fallBackResources[i];
        std::size_t colon = line.find(':');
        ASSERT_NE(colon, std::string::npos) << line;
        EXPECT_TRUE(resources.insert(line.substr(0, colon)).second) << "twice: " << line;
    }
}

TEST(AmberpaneFallbacks, AUsersDialogTitleOverridesTheFallback) {
    Widget shell = testrig::OpenToolkit("amberpane", "Dezidov2", fallBackResources,
                                        {"-xrm", "*dialogTitle: Flatbed Settings"});
    CreateOptionsDialog(shell, nullptr);
    XtRealizeWidget(shell);
    testrig::ProcessEvents();
    char* title = nullptr;
    ASSERT_NE(XFetchName(XtDisplay(shell), XtWindow(shell), &title), 0);
    EXPECT_STREQ(title, "Flatbed Settings");
    XFree(title);
}

}  // namespace
