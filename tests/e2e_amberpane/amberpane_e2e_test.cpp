// amberpane end to end: the built program under scanhost (a real process on
// a real channel), each test on an X server of its own, driven by real
// clicks and keys.  What reaches the driver is read from scanhost's trace
// and from the record file it keeps.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "e2e.h"
#include "e2e_checks.h"

namespace {

using Bytes = std::vector<unsigned char>;

using e2e::Codes;
using e2e::kErrorTitle;

const char kTitle[] = "Ricoh FS2 Options";

// A fetched record whose every byte can be told apart: halftone 2 (ordered
// dither), pattern 5, threshold 100, flags mediaChoice + together + 0x15 in
// the uninterpreted bits, byte 5 0xA5, four different channels (gamma types
// 1 to 4 under uninterpreted high nibbles, uninterpreted bytes +0 and +4..5)
// and 0x5A 0xC3 in bytes 38 and 39.
Bytes Fetched() {
    return {
        0x02, 0x05, 0x00, 0x64, 0xB5, 0xA5,              // halftone .. byte 5
        0x12, 0x31, 0x01, 0x00, 0xDE, 0xAD, 0x02, 0x00,  // grey
        0x34, 0x22, 0x00, 0x80, 0xBE, 0xEF, 0x01, 0x80,  // red
        0x56, 0x03, 0x03, 0x00, 0x11, 0x22, 0x00, 0x40,  // blue
        0x78, 0x04, 0x02, 0x00, 0x33, 0x44, 0x03, 0xE8,  // green
        0x5A, 0xC3,                                      // bytes 38, 39
    };
}

// What an Apply without edits stores: the same bytes, with red's 8 bytes in
// green and blue, since the channels are set together.
Bytes Applied() {
    Bytes b = Fetched();
    std::copy(b.begin() + 14, b.begin() + 22, b.begin() + 22);  // blue
    std::copy(b.begin() + 14, b.begin() + 22, b.begin() + 30);  // green
    return b;
}

e2e::Launch Amberpane(std::vector<std::string> scanhostArgs = {}) {
    return e2e::ProgramLaunch("amberpane", std::move(scanhostArgs), Fetched());
}

// ---------------------------------------------------------------------------
// Start-up failures: only the start-up error box, inside the top-level
// window; its OK ends the program with 1 and nothing is stored.

using e2e::StartupCase;

class StartupFailure : public ::testing::TestWithParam<StartupCase> {};

TEST_P(StartupFailure, ShowsOnlyTheErrorBoxAndEndsWithOneOnOk) {
    const StartupCase& c = GetParam();
    e2e::Session s;
    e2e::Launch launch = Amberpane(c.scanhostArgs);
    launch.underScanhost = c.underScanhost;
    ASSERT_TRUE(s.Start(launch));

    const Window box = e2e::ExpectOnlyStartupErrorBox(s, kTitle);
    ASSERT_NE(box, 0u);
    ASSERT_TRUE(e2e::PressErrorOk(s, box, c.byClick));
    EXPECT_EQ(s.WaitExit(), 1);
    if (c.underScanhost) {
        EXPECT_EQ(Codes(s.Trace()), std::vector<int>{200});
        EXPECT_EQ(s.Record(), Fetched());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Amberpane, StartupFailure,
    ::testing::Values(StartupCase{"NoChannelReturn", false, {}, false},
                      StartupCase{"NoChannelClick", false, {}, true},
                      StartupCase{"FetchFailsClick", true, {"--fail-get", "216"}, true},
                      StartupCase{"DriverTextOnFetchReturn",
                                  true,
                                  {"--fail-get", "230", "--driver-message", "Lamp is cold"},
                                  false}),
    e2e::CaseName());

// ---------------------------------------------------------------------------
// The dialog's buttons, pressed by clicks and by keys: what is stored, how
// often, and the exit status.

enum class Act { Apply, Ok, Cancel, Return, Escape };

struct ButtonsCase {
    const char* name;
    std::vector<Act> acts;  // the last one ends the program
    int stores;
};

void PrintTo(const ButtonsCase& c, std::ostream* os) {
    *os << c.name;
}

class Buttons : public ::testing::TestWithParam<ButtonsCase> {};

TEST_P(Buttons, StoreTheWholeRecordAsOftenAsPressed) {
    const ButtonsCase& c = GetParam();
    e2e::Session s;
    ASSERT_TRUE(s.Start(Amberpane()));
    const Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);
    s.WaitForExchanges(1);

    size_t exchanges = 1;
    for (Act act : c.acts) {
        switch (act) {
            case Act::Apply:
                ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));
                // The next press comes once this store has arrived.
                s.WaitForExchanges(++exchanges);
                break;
            case Act::Ok:
                ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "OK"));
                break;
            case Act::Cancel:
                ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Cancel"));
                break;
            case Act::Return:
                s.Key(dialog, "Return");
                break;
            case Act::Escape:
                s.Key(dialog, "Escape");
                break;
        }
    }
    EXPECT_EQ(s.WaitExit(), 0);

    const auto trace = s.Trace();
    std::vector<int> expected{200};
    expected.insert(expected.end(), c.stores, 201);
    ASSERT_EQ(Codes(trace), expected);
    for (size_t i = 1; i < trace.size(); ++i) {
        EXPECT_EQ(trace[i].length, 40);
        EXPECT_TRUE(trace[i].replied);
        EXPECT_EQ(trace[i].error, 0);
        EXPECT_EQ(trace[i].body, Applied());
    }
    EXPECT_EQ(s.Record(), c.stores > 0 ? Applied() : Fetched());
}

INSTANTIATE_TEST_SUITE_P(
    Amberpane, Buttons,
    ::testing::Values(ButtonsCase{"CancelSendsNothing", {Act::Cancel}, 0},
                      ButtonsCase{"EscapeIsCancel", {Act::Escape}, 0},
                      ButtonsCase{"OkStoresAndEnds", {Act::Ok}, 1},
                      ButtonsCase{"ReturnIsOk", {Act::Return}, 1},
                      ButtonsCase{"ApplyThenCancelStoresOnce", {Act::Apply, Act::Cancel}, 1},
                      ButtonsCase{
                          "ApplyTwiceThenOkStoresThrice", {Act::Apply, Act::Apply, Act::Ok}, 3}),
    e2e::CaseName());

TEST(AmberpaneE2e, ClickOnAControlReachesTheStoredRecord) {
    e2e::Session s;
    ASSERT_TRUE(s.Start(Amberpane()));
    const Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);

    ASSERT_TRUE(s.ClickWidget(dialog, "bwFrame.error"));  // halftone: error diffusion
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));
    const auto trace = s.WaitForExchanges(2);
    ASSERT_EQ(Codes(trace), (std::vector<int>{200, 201}));
    Bytes expected = Applied();
    expected[0] = 3;
    EXPECT_EQ(trace[1].body, expected);

    s.Key(dialog, "Escape");
    EXPECT_EQ(s.WaitExit(), 0);
    EXPECT_EQ(s.Record(), expected);
}

// ---------------------------------------------------------------------------
// A failed store: the error dialog, the program stays up with its edits,
// and a later OK that succeeds stores and ends with 0.

struct FailedStoreCase {
    const char* name;
    const char* firstPress;  // "OK" or "Apply", the store that fails
    bool dismissByClick;     // the error dialog's OK by a click, else by Return
};

void PrintTo(const FailedStoreCase& c, std::ostream* os) {
    *os << c.name;
}

class FailedStore : public ::testing::TestWithParam<FailedStoreCase> {};

TEST_P(FailedStore, ShowsTheErrorDialogAndKeepsTheDialogUp) {
    const FailedStoreCase& c = GetParam();
    e2e::Session s;
    ASSERT_TRUE(s.Start(Amberpane({"--fail-set", "216"})));
    const Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);

    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", c.firstPress));
    const Window error = s.WaitForWindow(kErrorTitle);
    ASSERT_NE(error, 0u);
    auto trace = s.WaitForExchanges(2);
    ASSERT_EQ(Codes(trace), (std::vector<int>{200, 201}));
    EXPECT_EQ(trace[1].error, 216);
    EXPECT_TRUE(s.Running());
    EXPECT_EQ(s.Record(), Fetched());
    // The error dialog is the shared one, a popup of the application shell.
    const e2e::WidgetTree tree = s.Widgets(dialog);
    const int errorBox = e2e::FindInTree(tree, "errorBox");
    ASSERT_GE(errorBox, 0);
    EXPECT_NE(tree[errorBox].parent, 0);

    ASSERT_TRUE(e2e::PressErrorOk(s, error, c.dismissByClick));
    EXPECT_TRUE(s.WaitForWindowGone(kErrorTitle));
    EXPECT_NE(s.FindWindow(kTitle), 0u);
    EXPECT_TRUE(s.Running());

    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "OK"));
    EXPECT_EQ(s.WaitExit(), 0);
    trace = s.Trace();
    ASSERT_EQ(Codes(trace), (std::vector<int>{200, 201, 201}));
    EXPECT_EQ(trace[2].error, 0);
    EXPECT_EQ(trace[2].body, Applied());
    EXPECT_EQ(s.Record(), Applied());
}

INSTANTIATE_TEST_SUITE_P(Amberpane, FailedStore,
                         ::testing::Values(FailedStoreCase{"OkFailsThenOkByClick", "OK", true},
                                           FailedStoreCase{"ApplyFailsThenOkByReturn", "Apply",
                                                           false}),
                         e2e::CaseName());

// ---------------------------------------------------------------------------
// Hang-ups.

TEST(AmberpaneE2e, HangUpWithTheParentAliveChangesNothing) {
    e2e::Session s;
    ASSERT_TRUE(s.Start(Amberpane()));
    const Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);

    s.Signal(SIGHUP);
    s.Signal(SIGHUP);
    // Still working: an Apply after the signals is stored.
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));
    const auto trace = s.WaitForExchanges(2);
    EXPECT_EQ(Codes(trace), (std::vector<int>{200, 201}));
    EXPECT_TRUE(s.Running());

    s.Key(dialog, "Escape");
    EXPECT_EQ(s.WaitExit(), 0);
    EXPECT_EQ(s.Record(), Applied());
}

using e2e::OrphanCase;
using e2e::Showing;

class OrphanHangUp : public ::testing::TestWithParam<OrphanCase> {};

TEST_P(OrphanHangUp, EndsTheProgramWithZero) {
    const OrphanCase& c = GetParam();
    e2e::ExpectOrphanSignalEndsWithZero(c, Amberpane(), kTitle);
}

INSTANTIATE_TEST_SUITE_P(
    Amberpane, OrphanHangUp,
    ::testing::Values(OrphanCase{"WhileTheDialogIsUp", SIGHUP, {}, Showing::Dialog},
                      OrphanCase{"WhileAnErrorDialogIsUp",
                                 SIGHUP,
                                 {"--fail-set-always", "216"},
                                 Showing::ErrorDialog},
                      OrphanCase{"WhileTheStartupErrorBoxIsUp",
                                 SIGHUP,
                                 {"--fail-get", "216"},
                                 Showing::StartupErrorBox}),
    e2e::CaseName());

// ---------------------------------------------------------------------------
// Toolkit options reach the toolkit through scanhost: a user's title wins
// over the fallback one.

TEST(AmberpaneE2e, UsersTitleOverridesTheFallback) {
    e2e::Session s;
    e2e::Launch launch = Amberpane();
    launch.programArgs = {"-xrm", "*dialogTitle: Scanner at the front desk"};
    ASSERT_TRUE(s.Start(launch));
    const Window dialog = s.WaitForWindow("Scanner at the front desk");
    ASSERT_NE(dialog, 0u);
    EXPECT_EQ(s.FindWindow(kTitle), 0u);
    s.Key(dialog, "Escape");
    EXPECT_EQ(s.WaitExit(), 0);
}

}  // namespace
