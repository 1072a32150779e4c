// indigopane end to end: the built program under scanhost (a real process on
// a real channel), each test on an X server of its own, driven by real
// clicks and keys.  What reaches the driver is read from scanhost's trace
// and from the record file it keeps.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "e2e.h"
#include "e2e_checks.h"
#include "records/sharp.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Fields = std::array<std::int32_t, 5>;  // reducedSet, gamma, bright, edge, dither

using e2e::Codes;
using e2e::kErrorTitle;

const char kTitle[] = "Sharp Scanner Options";

Bytes Record(const Fields& f) {
    records::SharpOptions r;
    for (std::size_t i = 0; i < f.size(); ++i)
        r.set(static_cast<records::SharpOptions::Field>(4 * i), f[i]);
    return {r.bytes.begin(), r.bytes.end()};
}

// The full set, every group on a choice other than its default.
const Fields kFetched{0, 2, 1, 3, 4};

e2e::Launch Indigopane(std::vector<std::string> scanhostArgs = {},
                       const Fields& record = kFetched) {
    return e2e::ProgramLaunch("indigopane", std::move(scanhostArgs), Record(record));
}

// ---------------------------------------------------------------------------
// Start-up failures: only the start-up error box; its OK ends the program
// with 1 and nothing is stored.

using e2e::StartupCase;

class StartupFailure : public ::testing::TestWithParam<StartupCase> {};

TEST_P(StartupFailure, ShowsOnlyTheErrorBoxAndEndsWithOneOnOk) {
    const StartupCase& c = GetParam();
    e2e::Session s;
    e2e::Launch launch = Indigopane(c.scanhostArgs);
    launch.underScanhost = c.underScanhost;
    ASSERT_TRUE(s.Start(launch));

    const Window box = e2e::ExpectOnlyStartupErrorBox(s, kTitle);
    ASSERT_NE(box, 0u);
    ASSERT_TRUE(e2e::PressErrorOk(s, box, c.byClick));
    EXPECT_EQ(s.WaitExit(), 1);
    if (c.underScanhost) {
        EXPECT_EQ(Codes(s.Trace()), std::vector<int>{200});
        EXPECT_EQ(s.Record(), Record(kFetched));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Indigopane, StartupFailure,
    ::testing::Values(StartupCase{"NoChannel", false, {}, true},
                      StartupCase{"FetchFails", true, {"--fail-get", "216"}, false},
                      StartupCase{"DriverTextOnFetch",
                                  true,
                                  {"--fail-get", "230", "--driver-message", "Lamp is cold"},
                                  true}),
    e2e::CaseName());

// ---------------------------------------------------------------------------
// Choices made by clicks reach the driver on Apply and OK.

TEST(IndigopaneE2e, ClickedChoicesAreStoredOnApplyAndOk) {
    e2e::Session s;
    ASSERT_TRUE(s.Start(Indigopane()));
    const Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);

    ASSERT_TRUE(s.ClickWidget(dialog, "lightest"));
    ASSERT_TRUE(s.ClickWidget(dialog, "edgeDull"));
    ASSERT_TRUE(s.ClickWidget(dialog, "dithError"));
    // A click on the scroll bar's left arrow moves the slider one step
    // towards "Dark".
    const auto bright = s.WidgetGeometry(dialog, "bright");
    ASSERT_TRUE(bright.has_value());
    s.ClickAt(bright->x + bright->height / 2, bright->CenterY());
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));
    auto trace = s.WaitForExchanges(2);
    ASSERT_EQ(Codes(trace), (std::vector<int>{200, 201}));
    EXPECT_EQ(trace[1].body, Record({0, 6, 0, 4, 5}));

    ASSERT_TRUE(s.ClickWidget(dialog, "g1"));
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "OK"));
    EXPECT_EQ(s.WaitExit(), 0);
    trace = s.Trace();
    ASSERT_EQ(Codes(trace), (std::vector<int>{200, 201, 201}));
    EXPECT_EQ(s.Record(), Record({0, 1, 0, 4, 5}));
}

TEST(IndigopaneE2e, ReducedSetStoresItsChoicesAndCarriesTheRest) {
    const Fields fetched{7, 1, 0x0BADF00D, 1, -2};
    e2e::Session s;
    ASSERT_TRUE(s.Start(Indigopane({}, fetched)));
    const Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);
    const e2e::WidgetTree tree = s.Widgets(dialog);
    for (const char* absent : {"brightForm", "ditherForm", "darkest", "lightest", "bright"})
        EXPECT_EQ(e2e::FindInTree(tree, absent), -1) << absent;

    ASSERT_TRUE(s.ClickWidget(dialog, "g2"));
    ASSERT_TRUE(s.ClickWidget(dialog, "edgeMedium"));
    s.Key(dialog, "Return");  // OK
    EXPECT_EQ(s.WaitExit(), 0);
    EXPECT_EQ(s.Record(), Record({7, 2, 0x0BADF00D, 2, -2}));
}

TEST(IndigopaneE2e, CancelAfterChoosingStoresNothing) {
    e2e::Session s;
    ASSERT_TRUE(s.Start(Indigopane()));
    const Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);
    ASSERT_TRUE(s.ClickWidget(dialog, "darkest"));
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Cancel"));
    EXPECT_EQ(s.WaitExit(), 0);
    EXPECT_EQ(Codes(s.Trace()), std::vector<int>{200});
    EXPECT_EQ(s.Record(), Record(kFetched));
}

// ---------------------------------------------------------------------------
// A failed store: the error dialog, the program stays up with its edits,
// and a later OK that succeeds stores them and ends with 0.

TEST(IndigopaneE2e, FailedStoreKeepsTheDialogAndALaterOkStoresTheEdits) {
    e2e::Session s;
    ASSERT_TRUE(s.Start(Indigopane({"--fail-set", "216"})));
    const Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);

    ASSERT_TRUE(s.ClickWidget(dialog, "dithA"));
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "OK"));
    const Window error = s.WaitForWindow(kErrorTitle);
    ASSERT_NE(error, 0u);
    auto trace = s.WaitForExchanges(2);
    ASSERT_EQ(Codes(trace), (std::vector<int>{200, 201}));
    EXPECT_EQ(trace[1].error, 216);
    EXPECT_TRUE(s.Running());
    EXPECT_EQ(s.Record(), Record(kFetched));

    ASSERT_TRUE(e2e::PressErrorOk(s, error, true));
    EXPECT_TRUE(s.WaitForWindowGone(kErrorTitle));
    EXPECT_TRUE(s.Running());
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "OK"));
    EXPECT_EQ(s.WaitExit(), 0);
    EXPECT_EQ(Codes(s.Trace()), (std::vector<int>{200, 201, 201}));
    EXPECT_EQ(s.Record(), Record({0, 2, 1, 3, 2}));
}

// ---------------------------------------------------------------------------
// Hang-up and quit signals.

class ParentAlive : public ::testing::TestWithParam<int> {};

TEST_P(ParentAlive, SignalChangesNothing) {
    e2e::Session s;
    ASSERT_TRUE(s.Start(Indigopane()));
    const Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);

    s.Signal(GetParam());
    s.Signal(GetParam());
    // Still working: an Apply after the signals is stored.
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));
    EXPECT_EQ(Codes(s.WaitForExchanges(2)), (std::vector<int>{200, 201}));
    EXPECT_TRUE(s.Running());

    s.Key(dialog, "Escape");  // Cancel
    EXPECT_EQ(s.WaitExit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Indigopane, ParentAlive, ::testing::Values(SIGHUP, SIGQUIT),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGHUP ? "Hangup" : "Quit");
                         });

using e2e::OrphanCase;
using e2e::Showing;

class ParentGone : public ::testing::TestWithParam<OrphanCase> {};

TEST_P(ParentGone, SignalEndsTheProgramWithZero) {
    const OrphanCase& c = GetParam();
    e2e::ExpectOrphanSignalEndsWithZero(c, Indigopane(), kTitle);
}

INSTANTIATE_TEST_SUITE_P(
    Indigopane, ParentGone,
    ::testing::Values(OrphanCase{"HangupWhileTheDialogIsUp", SIGHUP, {}, Showing::Dialog},
                      OrphanCase{"QuitWhileTheDialogIsUp", SIGQUIT, {}, Showing::Dialog},
                      OrphanCase{"HangupWhileAnErrorDialogIsUp",
                                 SIGHUP,
                                 {"--fail-set-always", "216"},
                                 Showing::ErrorDialog},
                      OrphanCase{"QuitWhileAnErrorDialogIsUp",
                                 SIGQUIT,
                                 {"--fail-set-always", "216"},
                                 Showing::ErrorDialog},
                      OrphanCase{"QuitWhileTheStartupErrorBoxIsUp",
                                 SIGQUIT,
                                 {"--fail-get", "216"},
                                 Showing::StartupErrorBox}),
    e2e::CaseName());

// ---------------------------------------------------------------------------
// Help.

TEST(IndigopaneE2e, HelpPressedTwiceShowsOneHelpWindow) {
    e2e::Session s;
    ASSERT_TRUE(s.Start(Indigopane()));
    const Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Help"));
    const Window help = s.WaitForWindow("Help");
    ASSERT_NE(help, 0u);
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Help"));
    // The program answers the widget-tree request only after it has handled
    // the click that came before it.
    const e2e::WidgetTree tree = s.Widgets(dialog);
    EXPECT_EQ(std::count_if(tree.begin(), tree.end(),
                            [](const e2e::WidgetNode& n) { return n.name == "helpTopic"; }),
              1);
    EXPECT_EQ(s.FindWindow("Help"), help);

    ASSERT_TRUE(s.ClickWidget(help, "  OK  "));
    EXPECT_TRUE(s.WaitForWindowGone("Help"));
    s.Key(dialog, "Escape");
    EXPECT_EQ(s.WaitExit(), 0);
}

}  // namespace
