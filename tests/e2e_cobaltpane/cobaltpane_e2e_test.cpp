// cobaltpane end to end: the real program under scanhost on its own X
// server, driven by clicks through the server.  What the shell does at
// start-up, on a failed store, on a hang-up and on Help.
#include "e2e.h"
#include "e2e_checks.h"

#include <signal.h>

#include <algorithm>
#include <string>
#include <vector>

#include "records/scanjet.h"

namespace {

using records::SjOptions;

constexpr const char* kTitle = "ScanJet Options";

// An error box's OK is pressed with Return, its default button.  (The
// harness's search for a box's buttons in its picture takes the box's own
// bottom shadow for the row of a box with a single button.)
constexpr bool kOkByClick = false;

e2e::Launch Cobaltpane(std::vector<std::string> scanhostArgs = {}) {
    return e2e::ProgramLaunch("cobaltpane", std::move(scanhostArgs));
}

SjOptions AsRecord(const std::vector<unsigned char>& bytes) {
    SjOptions record;
    EXPECT_EQ(bytes.size(), SjOptions::kSize);
    std::copy_n(bytes.begin(), std::min(bytes.size(), SjOptions::kSize), record.bytes.begin());
    return record;
}

// Start-up failures: the error box alone, whose OK ends the program with 1.
using e2e::StartupCase;

class StartupFailure : public ::testing::TestWithParam<StartupCase> {};

TEST_P(StartupFailure, ShowsTheErrorBoxAloneAndExitsOneOnOK) {
    const StartupCase& c = GetParam();
    e2e::Session s;
    e2e::Launch launch = Cobaltpane(c.scanhostArgs);
    launch.underScanhost = c.underScanhost;
    ASSERT_TRUE(s.Start(launch));
    Window box = e2e::ExpectOnlyStartupErrorBox(s, kTitle);
    ASSERT_NE(box, 0u);
    ASSERT_TRUE(e2e::PressErrorOk(s, box, c.byClick));
    EXPECT_EQ(s.WaitExit(), 1);
    if (c.underScanhost) {
        auto trace = s.Trace();
        ASSERT_EQ(trace.size(), 1u);
        EXPECT_EQ(trace[0].code, 200);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cobaltpane, StartupFailure,
    ::testing::Values(StartupCase{"FetchRefused", true, {"--fail-get", "216"}, kOkByClick},
                      StartupCase{"NoChannel", false, {}, kOkByClick}),
    e2e::CaseName());

TEST(CobaltpaneE2E, FailedStoreKeepsTheDialogAndALaterOKStoresTheEdits) {
    e2e::Session s;
    ASSERT_TRUE(s.Start(Cobaltpane({"--fail-set", "216"})));
    Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);
    const SjOptions fetched = AsRecord(s.Record());
    ASSERT_TRUE(s.ClickWidget(dialog, "dithBayer"));
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "OK"));

    Window error = s.WaitForWindow("Error");
    ASSERT_NE(error, 0u);
    auto trace = s.WaitForExchanges(2);
    ASSERT_EQ(trace.size(), 2u);
    EXPECT_EQ(trace[1].code, 201);
    EXPECT_EQ(trace[1].error, 216);
    EXPECT_TRUE(s.Running());
    EXPECT_EQ(s.Record(), std::vector<unsigned char>(fetched.bytes.begin(), fetched.bytes.end()));

    ASSERT_TRUE(e2e::PressErrorOk(s, error, kOkByClick));
    EXPECT_TRUE(s.WaitForWindowGone("Error"));
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "OK"));
    EXPECT_EQ(s.WaitExit(), 0);

    SjOptions expected = fetched;
    expected.setDitherOn(1);
    expected.setDitherPattern(2);
    EXPECT_EQ(AsRecord(s.Record()).bytes, expected.bytes);
}

TEST(CobaltpaneE2E, HangupWithTheParentAliveChangesNothing) {
    e2e::Session s;
    ASSERT_TRUE(s.Start(Cobaltpane()));
    Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);
    s.Signal(SIGHUP);
    // Still serving its dialog: Apply reaches the driver.
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));
    auto trace = s.WaitForExchanges(2);
    ASSERT_EQ(trace.size(), 2u);
    EXPECT_EQ(trace[1].code, 201);
    EXPECT_TRUE(s.Running());
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Cancel"));
    EXPECT_EQ(s.WaitExit(), 0);
}

TEST(CobaltpaneE2E, HangupAfterTheParentHasGoneExitsZeroEvenWithAnErrorUp) {
    e2e::Session s;
    ASSERT_TRUE(s.Start(Cobaltpane({"--fail-set", "216"})));
    ASSERT_TRUE(e2e::WaitUntilShowing(s, e2e::Showing::ErrorDialog, kTitle));
    s.KillParent();
    EXPECT_TRUE(s.Running());
    s.Signal(SIGHUP);
    EXPECT_EQ(s.WaitExit(), 0);
}

TEST(CobaltpaneE2E, HelpPressedTwiceShowsOneHelpWindow) {
    e2e::Session s;
    ASSERT_TRUE(s.Start(Cobaltpane()));
    Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Help"));
    Window help = s.WaitForWindow("Help");
    ASSERT_NE(help, 0u);
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Help"));
    // The program answers the widget-tree request only after it has handled
    // the click that came before it.
    e2e::WidgetTree tree = s.Widgets(dialog);
    EXPECT_EQ(std::count_if(tree.begin(), tree.end(),
                            [](const e2e::WidgetNode& n) { return n.name == "helpTopic"; }),
              1);
    EXPECT_EQ(s.CountWindows("Help"), 1);
    // The help window lies over part of the dialog: close it first.
    ASSERT_TRUE(s.ClickWidget(help, "  OK  "));
    EXPECT_TRUE(s.WaitForWindowGone("Help"));
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Cancel"));
    EXPECT_EQ(s.WaitExit(), 0);
}

}  // namespace
