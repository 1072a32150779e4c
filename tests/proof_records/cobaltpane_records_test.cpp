// cobaltpane fed hostile ScanJet records: every field at 0, at -1 (all bits
// set), at INT_MIN and INT_MAX, values outside their limits and limits
// crossed.  The real dialog is built in-process from a record fetched over
// a real channel; it must come up, show the numbers as fetched, and an
// Apply without edits must send back what the program's rules predict:
//   - intensity and contrast: the scroll bar's value where the bar holds
//     the driver's range.  The toolkit keeps it inside the bar's range
//     (minimum to maximum less the slider of 1): a value outside it, above
//     or below, starts at the minimum (Motif 2.3 does so as it creates the
//     bar, with a warning).  Where the bar cannot hold the range, the value
//     as fetched: limits crossed (the toolkit refuses them and keeps its
//     own 0 to 100), a maximum of INT_MAX (the bar's maximum cannot lie one
//     above it), or a range wider than the toolkit's int arithmetic takes;
//   - the limits: as fetched;
//   - ditherOn 0 shows "None" and stays 0; otherwise a pattern of 0 to 3
//     shows its toggle and ditherOn becomes 1, any other pattern shows
//     "None" and ditherOn becomes 0; ditherPattern as fetched;
//   - byte 32: with 0x80 clear as fetched; with 0x80 set the toggle shows
//     the inverse of 0x40 and Apply writes it back, so as fetched too;
//     bytes 33 to 35 as fetched.
// The expected records are written out by hand from these rules.
#include "toolkit_fixture.h"

#include "channel_peer.h"
#include "cobaltpane.h"

#include <Xm/Xm.h>
#include <Xm/ToggleB.h>

#include <array>
#include <climits>
#include <cstdint>
#include <string>

namespace {

using proof::Bytes;
using Words = std::array<std::int32_t, 8>;  // intensity .. ditherPattern
using Tail = std::array<unsigned char, 4>;  // bytes 32 to 35

Bytes Record(const Words& words, const Tail& tail) {
    Bytes b(36);
    for (size_t i = 0; i < words.size(); ++i) records::putI32BE(&b[4 * i], words[i]);
    for (size_t i = 0; i < tail.size(); ++i) b[32 + i] = tail[i];
    return b;
}

struct HostileCase {
    const char* name;
    Words fetched;
    Tail fetchedTail;
    Words sent;
    Tail sentTail;
    const char* shownDither;  // the dither toggle that is on
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

class CobaltpaneRecord : public testrig::ToolkitTest {
  protected:
    const char* AppName() const override { return "cobaltpane"; }
    const char* AppClass() const override { return "RoVIz"; }
    String* Fallbacks() const override { return fallBackResources; }

    // Fetches fetched over the channel as the program's start-up does, then
    // builds and shows the dialog.
    void Start(const Bytes& fetched) {
        peer.Reply(fetched);
        char name[] = "cobaltpane";
        char* argv[] = {name, nullptr};
        int argc = 1;
        optHandle = SCGetScanOpt(&argc, argv);
        ASSERT_NE(optHandle, nullptr);
        options = records::SjOptions{};
        ASSERT_EQ(SCScanOpt(optHandle, SC_OPT_GET, nullptr, 0, options.data(), 36), 0);
        peer.Sent();
        ::toplevel = toplevel;
        selBox = CreateOptionsDialog(toplevel);
        XtRealizeWidget(toplevel);
        testrig::ProcessEvents();
    }

    // Presses Apply with a success reply waiting; returns what crossed.
    Bytes Apply() {
        peer.Reply({});
        testrig::PressSelectionButton(selBox, XmNapplyCallback);
        testrig::ProcessEvents();
        return peer.Sent();
    }

    Widget W(const char* name) {
        return testrig::Find(toplevel, (std::string("*") + name).c_str());
    }

    proof::ChannelPeer peer;
    Widget selBox = nullptr;
};

class HostileRecord : public CobaltpaneRecord, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileRecord, StartsShowsTheNumbersAndAppliesThePredictedBytes) {
    const HostileCase& c = GetParam();
    Start(Record(c.fetched, c.fetchedTail));

    const char* labels[] = {"curIntLabel", "minIntLabel", "maxIntLabel",
                            "curConLabel", "minConLabel", "maxConLabel"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(testrig::LabelText(W(labels[i])), std::to_string(c.fetched[i])) << labels[i];
    for (const char* toggle : {"dithNone", "dithCoarse", "dithFine", "dithBayer", "dithVertical"})
        EXPECT_EQ(XmToggleButtonGetState(W(toggle)) != 0, std::string(toggle) == c.shownDither)
            << toggle;
    EXPECT_EQ(XtIsManaged(W("disableTPA")) != 0, (c.fetchedTail[0] & 0x80) != 0);

    const Bytes expected = proof::ChannelPeer::StoreRequest(Record(c.sent, c.sentTail));
    EXPECT_EQ(proof::Hex(Apply()), proof::Hex(expected));
    // Nothing drifts from one store to the next.
    EXPECT_EQ(proof::Hex(Apply()), proof::Hex(expected));
}

constexpr std::int32_t kMin = INT_MIN;
constexpr std::int32_t kMax = INT_MAX;

const HostileCase kCases[] = {
    {"AllZero",
     {0, 0, 0, 0, 0, 0, 0, 0},
     {0, 0, 0, 0},
     {0, 0, 0, 0, 0, 0, 0, 0},
     {0, 0, 0, 0},
     "dithNone"},
    // -1 in every word: one-value ranges at -1; ditherOn on but pattern -1
    // unknown, so "None" and ditherOn 0; the adapter present and enabled,
    // so the toggle is shown off and Apply keeps 0x40.
    {"AllBitsSet",
     {-1, -1, -1, -1, -1, -1, -1, -1},
     {0xFF, 0xFF, 0xFF, 0xFF},
     {-1, -1, -1, -1, -1, -1, 0, -1},
     {0xFF, 0xFF, 0xFF, 0xFF},
     "dithNone"},
    // Values above and below their limits come back at the minimum.  The
    // adapter's enabled bit without the present bit is carried as it is.
    {"ValuesOutsideTheirLimits",
     {50, 0, 10, -5, 0, 10, 1, 3},
     {0x40, 0x00, 0x00, 0x00},
     {0, 0, 10, 0, 0, 10, 1, 3},
     {0x40, 0x00, 0x00, 0x00},
     "dithVertical"},
    // Crossed limits: the toolkit keeps the bars at 0 to 100, where 150
    // would start at 0; both values go back as fetched.  ditherOn 7 with
    // Bayer becomes 1.  Present and not enabled: the toggle is shown on and
    // Apply keeps 0x40 clear.
    {"LimitsCrossed",
     {0, 10, -10, 150, 100, 1, 7, 2},
     {0xBF, 0x12, 0x34, 0x56},
     {0, 10, -10, 150, 100, 1, 1, 2},
     {0xBF, 0x12, 0x34, 0x56},
     "dithBayer"},
    {"LimitsCrossedAtTheEndsOfInt",
     {7, kMax, kMin, -7, kMax, kMin, 0, 4},
     {0x80, 0x00, 0x00, 0x00},
     {7, kMax, kMin, -7, kMax, kMin, 0, 4},
     {0x80, 0x00, 0x00, 0x00},
     "dithNone"},
    // The widest ranges the bars hold, their maximum INT_MAX above their
    // minimum: the toolkit's rule still applies, so 7, above the range,
    // starts at the minimum, and INT_MAX - 1 stays.
    {"WidestRangesTheBarsHold",
     {7, kMin, -2, kMax - 1, 0, kMax - 1, 0, 0},
     {0x00, 0x00, 0x00, 0x00},
     {kMin, kMin, -2, kMax - 1, 0, kMax - 1, 0, 0},
     {0x00, 0x00, 0x00, 0x00},
     "dithNone"},
    // One wider, and the toolkit's arithmetic overflows: the bars fall to
    // their minimum and cannot be moved.  The values go back as fetched,
    // even one outside its limits.
    {"RangesOneWiderThanTheBarsHold",
     {-1, kMin, -1, kMax, -1, kMax - 1, 0, 0},
     {0x00, 0x00, 0x00, 0x00},
     {-1, kMin, -1, kMax, -1, kMax - 1, 0, 0},
     {0x00, 0x00, 0x00, 0x00},
     "dithNone"},
    // The bottom of int: ranges of one and two values starting at INT_MIN.
    // ditherOn INT_MIN is on; pattern 0 is Coarse.
    {"BottomOfInt",
     {kMin, kMin, kMin, kMin, kMin, kMin + 1, kMin, 0},
     {0xC0, 0x00, 0x00, 0x00},
     {kMin, kMin, kMin, kMin, kMin, kMin + 1, 1, 0},
     {0xC0, 0x00, 0x00, 0x00},
     "dithCoarse"},
    // Just below the top of int: the bar's maximum INT_MAX still leaves
    // INT_MAX - 1 reachable.
    {"NearTheTopOfInt",
     {kMax - 1, kMax - 2, kMax - 1, kMax - 1, 0, kMax - 1, kMax, 1},
     {0x00, 0xFF, 0x00, 0xFF},
     {kMax - 1, kMax - 2, kMax - 1, kMax - 1, 0, kMax - 1, 1, 1},
     {0x00, 0xFF, 0x00, 0xFF},
     "dithFine"},
};

INSTANTIATE_TEST_SUITE_P(Records, HostileRecord, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                             return std::string(info.param.name);
                         });

// Limits that the toolkit's int arithmetic cannot hold.  Both records are
// sound (each value inside its limits) and must come back as fetched when
// the user touched nothing, although the bars hold other values:
//   - limits INT_MIN to INT_MAX: the bar's maximum less its minimum
//     overflows inside the toolkit, its slider size turns to -1 and its
//     value falls to INT_MIN;
//   - limits INT_MAX to INT_MAX: the bar's maximum, one above the limit,
//     is held at INT_MAX, so it equals the minimum; the toolkit refuses the
//     range, keeps its own 0 to 100, and holds 0, outside the limits.
TEST_F(CobaltpaneRecord, ValuesInsideLimitsAtTheEndsOfIntComeBackAsFetched) {
    const Words fetched = {5, kMin, kMax, kMax, kMax, kMax, 0, 0};
    Start(Record(fetched, {0, 0, 0, 0}));
    EXPECT_EQ(proof::Hex(Apply()),
              proof::Hex(proof::ChannelPeer::StoreRequest(Record(fetched, {0, 0, 0, 0}))));
}

}  // namespace
