// cobaltpane's dialog in-process on a real toolkit, with a real driver
// process at the far end of descriptor 6: what the controls show of a
// fetched record, and the record that Apply sends back.
#include "toolkit_fixture.h"

#include "cobaltpane.h"
#include "driver_peer.h"

#include <Xm/Xm.h>
#include <Xm/ScrollBar.h>
#include <Xm/ToggleB.h>

#include <climits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using records::SjOptions;

class Cobaltpane : public testrig::ToolkitTest {
  protected:
    const char* AppName() const override { return "cobaltpane"; }
    const char* AppClass() const override { return "RoVIz"; }
    String* Fallbacks() const override { return fallBackResources; }

    void SetUp() override {
        // Death tests start the test afresh in a new process rather than
        // fork one that shares our X connection.
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        testrig::ToolkitTest::SetUp();
    }

    // Fetches the record from a driver over the channel, as start-up does,
    // and builds and shows the dialog.  The driver answers every store with
    // success.
    void Start(const SjOptions& fetched) {
        driver = std::make_unique<testrig::DriverPeer>(std::vector<testrig::DriverPeer::Reply>{
            {0, std::string(fetched.bytes.begin(), fetched.bytes.end())}});
        char name[] = "cobaltpane";
        char* argv[] = {name, nullptr};
        int argc = 1;
        optHandle = SCGetScanOpt(&argc, argv);
        options = SjOptions{};
        ASSERT_EQ(SCScanOpt(optHandle, SC_OPT_GET, nullptr, 0, options.data(), SjOptions::kSize),
                  0);
        ASSERT_EQ(driver->Next().code, SC_OPT_GET);
        ::toplevel = toplevel;
        selBox = CreateOptionsDialog(toplevel);
        XtRealizeWidget(toplevel);
        testrig::ProcessEvents();
    }

    // Presses Apply and returns the record that the driver received.
    SjOptions Apply() {
        testrig::PressSelectionButton(selBox, XmNapplyCallback);
        testrig::DriverPeer::Request request = driver->Next();
        EXPECT_EQ(request.code, SC_OPT_SET);
        SjOptions sent;
        EXPECT_EQ(request.body.size(), SjOptions::kSize);
        std::copy_n(request.body.begin(), std::min(request.body.size(), SjOptions::kSize),
                    sent.bytes.begin());
        return sent;
    }

    Widget W(const std::string& name) { return testrig::Find(toplevel, ("*" + name).c_str()); }

    int ScrollValue(const char* name) {
        int value = 0;
        XtVaGetValues(W(name), XmNvalue, &value, nullptr);
        return value;
    }

    std::unique_ptr<testrig::DriverPeer> driver;
    Widget selBox = nullptr;
};

// The widgets and record fields of the two scroll bar groups.
struct Group {
    const char* scrollBar;
    const char* current;
    const char* minimum;
    const char* maximum;
    SjOptions::Field value;
    SjOptions::Field low;
    SjOptions::Field high;
};

const Group kGroups[] = {
    {"iscroll", "curIntLabel", "minIntLabel", "maxIntLabel", SjOptions::kIntensity,
     SjOptions::kIntensityMin, SjOptions::kIntensityMax},
    {"cscroll", "curConLabel", "minConLabel", "maxConLabel", SjOptions::kContrast,
     SjOptions::kContrastMin, SjOptions::kContrastMax},
};

const char* const kDitherToggles[] = {"dithNone", "dithCoarse", "dithFine", "dithBayer",
                                      "dithVertical"};

TEST_F(Cobaltpane, AllZeroRecordShowsZerosAndNoneAndSendsZerosBack) {
    Start(SjOptions{});
    for (const Group& g : kGroups) {
        SCOPED_TRACE(g.scrollBar);
        for (const char* label : {g.current, g.minimum, g.maximum})
            EXPECT_EQ(testrig::LabelText(W(label)), "0") << label;
        testrig::MoveScrollBar(W(g.scrollBar), 5);
        EXPECT_EQ(ScrollValue(g.scrollBar), 0);
        testrig::MoveScrollBar(W(g.scrollBar), -5);
        EXPECT_EQ(ScrollValue(g.scrollBar), 0);
    }
    EXPECT_TRUE(XmToggleButtonGetState(W("dithNone")));
    EXPECT_FALSE(XtIsManaged(W("disableTPA")));
    EXPECT_EQ(Apply().bytes, SjOptions{}.bytes);
}

TEST_F(Cobaltpane, DraggingMovesOnlyTheLabelAndApplySendsWhereTheSliderRests) {
    SjOptions fetched;
    fetched.set(SjOptions::kIntensityMax, 100);
    fetched.set(SjOptions::kIntensity, 40);
    Start(fetched);
    for (int value : {41, 57, 63}) {
        testrig::MoveScrollBar(W("iscroll"), value, /*drag=*/true);
        EXPECT_EQ(testrig::LabelText(W("curIntLabel")), std::to_string(value));
        EXPECT_EQ(options.intensity(), 40);
    }
    EXPECT_EQ(Apply().intensity(), 63);
}

using CobaltpaneDeathTest = Cobaltpane;

TEST_F(CobaltpaneDeathTest, CancelExitsWithoutSending) {
    SjOptions fetched;
    fetched.set(SjOptions::kIntensityMax, 100);
    Start(fetched);
    EXPECT_EXIT(
        {
            testrig::MoveScrollBar(W("iscroll"), 30, /*drag=*/true);
            testrig::PressSelectionButton(selBox, XmNcancelCallback);
        },
        ::testing::ExitedWithCode(0), "");
    // Nothing came before this test's own store.
    EXPECT_EQ(Apply().bytes, fetched.bytes);
}

// Limits and values of both groups, the value an untouched Apply sends,
// and the values the user can reach.
struct LimitCase {
    const char* name;
    std::int32_t minimum, maximum, value;
    std::int32_t untouched;
    std::int32_t lowest, highest;
};

void PrintTo(const LimitCase& c, std::ostream* os) {
    *os << c.name;
}

class Limits : public Cobaltpane, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(Limits, ScrollBarsTakeTheDriversRangeAndLabelsShowIt) {
    const LimitCase& c = GetParam();
    SjOptions fetched;
    for (const Group& g : kGroups) {
        fetched.set(g.low, c.minimum);
        fetched.set(g.high, c.maximum);
        fetched.set(g.value, c.value);
    }
    Start(fetched);
    const SjOptions untouched = Apply();
    for (const Group& g : kGroups) {
        SCOPED_TRACE(g.scrollBar);
        EXPECT_EQ(untouched.get(g.value), c.untouched);
        EXPECT_EQ(testrig::LabelText(W(g.current)), std::to_string(c.value));
        EXPECT_EQ(testrig::LabelText(W(g.minimum)), std::to_string(c.minimum));
        EXPECT_EQ(testrig::LabelText(W(g.maximum)), std::to_string(c.maximum));
        // The toolkit starts a value beyond the slider's reach at the minimum.
        const bool reached = c.lowest <= c.value && c.value <= c.highest;
        EXPECT_EQ(ScrollValue(g.scrollBar), reached ? c.value : c.lowest);

        testrig::MoveScrollBar(W(g.scrollBar), INT_MIN);
        EXPECT_EQ(ScrollValue(g.scrollBar), c.lowest);
        EXPECT_EQ(testrig::LabelText(W(g.current)), std::to_string(c.lowest));
        EXPECT_EQ(Apply().get(g.value), c.lowest);

        testrig::MoveScrollBar(W(g.scrollBar), INT_MAX);
        EXPECT_EQ(ScrollValue(g.scrollBar), c.highest);
        EXPECT_EQ(Apply().get(g.value), c.highest);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cobaltpane, Limits,
    ::testing::Values(LimitCase{"Zero", 0, 0, 0, 0, 0, 0},
                      LimitCase{"Negative", -10, -3, -5, -5, -10, -3},
                      LimitCase{"OneValue", 7, 7, 7, 7, 7, 7},
                      // The widest range that the bar holds: its maximum, -1, lies
                      // INT_MAX above the minimum.
                      LimitCase{"Widest", INT_MIN, -2, -5, -5, INT_MIN, -2},
                      // The maximum is held at INT_MAX, so a slider of size 1 stops one
                      // short of the limit; a fetched INT_MAX goes back as it came until
                      // the user moves the bar.
                      LimitCase{"TopOfInt", 0, INT_MAX, 5, 5, 0, INT_MAX - 1},
                      LimitCase{"AtTheTopOfInt", INT_MAX - 1, INT_MAX, INT_MAX, INT_MAX,
                                INT_MAX - 1, INT_MAX - 1},
                      // The toolkit refuses crossed limits and keeps its own 0 to 100; the
                      // fetched value goes back until the user moves the bar.
                      LimitCase{"Crossed", 10, -10, 150, 150, 0, 99}),
    [](const ::testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

TEST(ScrollMaximum, IsOneAboveTheLimitHeldAtIntMax) {
    const std::int32_t limits[][2] = {
        {-10, -9}, {0, 1}, {INT_MIN, INT_MIN + 1}, {INT_MAX - 1, INT_MAX}, {INT_MAX, INT_MAX}};
    for (const auto& l : limits) EXPECT_EQ(ScrollMaximum(l[0]), l[1]) << l[0];
}

TEST(ScrollBarHoldsRange, OnlyWhenTheBarsMaximumIsAnIntAboveTheMinimumByAtMostIntMax) {
    struct {
        std::int32_t minimum, maximum;
        bool holds;
    } const ranges[] = {
        {0, 0, true},
        {-10, -3, true},
        {INT_MIN, INT_MIN, true},
        {INT_MIN, -2, true},
        {INT_MIN, -1, false},
        {-1073741824, 1073741822, true},
        {-1073741824, 1073741823, false},
        {0, INT_MAX - 1, true},
        {-1, INT_MAX - 1, false},
        {INT_MAX - 1, INT_MAX, false},
        {INT_MAX, INT_MAX, false},
        {INT_MIN, INT_MAX, false},
        {1, 0, false},
    };
    for (const auto& r : ranges)
        EXPECT_EQ(ScrollBarHoldsRange(r.minimum, r.maximum), r.holds)
            << r.minimum << " to " << r.maximum;
}

// The dither fields as fetched, an optional choice by the user, and what
// is shown and sent.
struct DitherCase {
    const char* name;
    std::int32_t ditherOn, ditherPattern;
    const char* chosen;  // toggle set by the user, or null
    const char* shown;
    std::int32_t sentOn, sentPattern;
};

void PrintTo(const DitherCase& c, std::ostream* os) {
    *os << c.name;
}

class Dither : public Cobaltpane, public ::testing::WithParamInterface<DitherCase> {};

TEST_P(Dither, ShowsTheFetchedPatternAndSendsTheChoice) {
    const DitherCase& c = GetParam();
    SjOptions fetched;
    fetched.setDitherOn(c.ditherOn);
    fetched.setDitherPattern(c.ditherPattern);
    Start(fetched);
    if (c.chosen != nullptr)
        testrig::SetToggle(W(c.chosen), true);
    for (const char* toggle : kDitherToggles)
        EXPECT_EQ(XmToggleButtonGetState(W(toggle)), std::string(toggle) == c.shown) << toggle;
    SjOptions sent = Apply();
    EXPECT_EQ(sent.ditherOn(), c.sentOn);
    EXPECT_EQ(sent.ditherPattern(), c.sentPattern);
}

INSTANTIATE_TEST_SUITE_P(
    Cobaltpane, Dither,
    ::testing::Values(DitherCase{"OffKeepsPattern", 0, 3, nullptr, "dithNone", 0, 3},
                      DitherCase{"UnknownPatternIsNone", 1, 7, nullptr, "dithNone", 0, 7},
                      DitherCase{"NegativePatternIsNone", 1, -1, nullptr, "dithNone", 0, -1},
                      DitherCase{"Coarse", 1, 0, nullptr, "dithCoarse", 1, 0},
                      DitherCase{"Fine", 1, 1, nullptr, "dithFine", 1, 1},
                      DitherCase{"AnyNonZeroIsOn", 5, 2, nullptr, "dithBayer", 1, 2},
                      DitherCase{"Vertical", 1, 3, nullptr, "dithVertical", 1, 3},
                      DitherCase{"NoneAfterBayerKeepsPattern", 1, 2, "dithNone", "dithNone", 0, 2},
                      DitherCase{"VerticalAfterNone", 0, 0, "dithVertical", "dithVertical", 1, 3}),
    [](const ::testing::TestParamInfo<DitherCase>& info) { return std::string(info.param.name); });

// Byte 32 and the rest of the flags word as fetched, what the adapter
// toggle shows, whether the user switches it, and the byte 32 sent.
struct AdapterCase {
    const char* name;
    unsigned char flags;
    bool shown, on, switched;
    unsigned char sent;
};

void PrintTo(const AdapterCase& c, std::ostream* os) {
    *os << c.name;
}

class Adapter : public Cobaltpane, public ::testing::WithParamInterface<AdapterCase> {};

TEST_P(Adapter, FlagsComeBackWithOnlyTpaEnabledFollowingTheToggle) {
    const AdapterCase& c = GetParam();
    SjOptions fetched;
    fetched.set(SjOptions::kIntensityMax, 10);
    fetched.set(SjOptions::kIntensity, 4);
    fetched.set(SjOptions::kContrastMin, -2);
    fetched.set(SjOptions::kContrastMax, 2);
    fetched.set(SjOptions::kContrast, 1);
    fetched.setDitherOn(1);
    fetched.setDitherPattern(3);
    fetched.bytes[32] = c.flags;
    fetched.bytes[33] = 0xa5;
    fetched.bytes[34] = 0x00;
    fetched.bytes[35] = 0xff;
    Start(fetched);
    Widget toggle = W("disableTPA");
    EXPECT_EQ(XtIsManaged(toggle), c.shown);
    EXPECT_EQ(XmToggleButtonGetState(toggle), c.on);
    if (c.switched)
        testrig::SetToggle(toggle, !c.on);
    SjOptions expected = fetched;
    expected.bytes[32] = c.sent;
    EXPECT_EQ(Apply().bytes, expected.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cobaltpane, Adapter,
    ::testing::Values(AdapterCase{"AbsentDriverBitsKept", 0x3f, false, false, false, 0x3f},
                      AdapterCase{"AbsentEnabledKept", 0x55, false, false, false, 0x55},
                      AdapterCase{"EnabledShowsOff", 0xea, true, false, false, 0xea},
                      AdapterCase{"EnabledSwitchedOnDisables", 0xea, true, false, true, 0xaa},
                      AdapterCase{"DisabledShowsOn", 0x95, true, true, false, 0x95},
                      AdapterCase{"DisabledSwitchedOffEnables", 0x95, true, true, true, 0xd5}),
    [](const ::testing::TestParamInfo<AdapterCase>& info) { return std::string(info.param.name); });

}  // namespace
