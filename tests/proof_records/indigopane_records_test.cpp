// indigopane fed hostile Sharp records: every field at 0, at -1 (all bits
// set), at INT_MIN and INT_MAX, codes just past their sets, and reduced
// sets marked by any non-zero word.  The real dialog is built in-process
// from a record fetched over a real channel; it must come up with the
// groups the record asks for, and an Apply without edits must send back
// what the program's rules predict:
//   - reducedSet: as fetched; any non-zero value means the reduced set;
//   - gammaCurve: 2 to 6 stay (3 to 6 only in the full set), anything
//     else becomes 1;
//   - brightLevel (full set): -3 to 3 stay, anything else becomes -3;
//   - edgeEmphasis: 2 to 4 stay, anything else becomes 1;
//   - ditherMode (full set): 2 to 5 stay, anything else becomes 1;
//   - brightLevel and ditherMode in the reduced set: as fetched.
// The expected records are written out by hand from these rules.
#include "toolkit_fixture.h"

#include "channel_peer.h"
#include "indigopane.h"

#include <Xm/Xm.h>

#include <array>
#include <climits>
#include <cstdint>
#include <string>

namespace {

using proof::Bytes;
using Words = std::array<std::int32_t, 5>;  // reducedSet, gamma, bright, edge, dither

Bytes Record(const Words& words) {
    Bytes b(20);
    for (size_t i = 0; i < words.size(); ++i) records::putI32BE(&b[4 * i], words[i]);
    return b;
}

struct HostileCase {
    const char* name;
    Words fetched;
    Words sent;
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

class HostileRecord : public testrig::ToolkitTest,
                      public ::testing::WithParamInterface<HostileCase> {
  protected:
    const char* AppName() const override { return "indigopane"; }
    const char* AppClass() const override { return "Indigopane"; }
    String* Fallbacks() const override { return fallBackResources; }

    proof::ChannelPeer peer;
    SharpState state{};
};

TEST_P(HostileRecord, StartsWithTheRightGroupsAndAppliesThePredictedBytes) {
    const HostileCase& c = GetParam();
    peer.Reply(Record(c.fetched));
    state.toplevel = toplevel;
    char name[] = "indigopane";
    char* argv[] = {name, nullptr};
    int argc = 1;
    state.handle = SCGetScanOpt(&argc, argv);
    ASSERT_NE(state.handle, nullptr);
    ASSERT_EQ(SCScanOpt(state.handle, SC_OPT_GET, nullptr, 0, state.options.data(), 20), 0);
    peer.Sent();
    Widget selBox = CreateOptionsDialog(&state);
    XtRealizeWidget(toplevel);
    testrig::ProcessEvents();

    const bool reduced = c.fetched[0] != 0;
    EXPECT_EQ(state.bright == nullptr, reduced);
    EXPECT_EQ(state.lightest == nullptr, reduced);
    EXPECT_EQ(state.dithError == nullptr, reduced);

    const Bytes expected = proof::ChannelPeer::StoreRequest(Record(c.sent));
    for (int press = 0; press < 2; ++press) {
        peer.Reply({});
        testrig::PressSelectionButton(selBox, XmNapplyCallback);
        testrig::ProcessEvents();
        EXPECT_EQ(proof::Hex(peer.Sent()), proof::Hex(expected)) << "Apply " << press + 1;
    }
}

constexpr std::int32_t kMin = INT_MIN;
constexpr std::int32_t kMax = INT_MAX;

const HostileCase kCases[] = {
    {"AllZero", {0, 0, 0, 0, 0}, {0, 1, 0, 1, 1}},
    {"AllBitsSet", {-1, -1, -1, -1, -1}, {-1, 1, -1, 1, -1}},
    {"AllIntMin", {kMin, kMin, kMin, kMin, kMin}, {kMin, 1, kMin, 1, kMin}},
    {"AllIntMax", {kMax, kMax, kMax, kMax, kMax}, {kMax, 1, kMax, 1, kMax}},
    {"FullSetIntMin", {0, kMin, kMin, kMin, kMin}, {0, 1, -3, 1, 1}},
    {"FullSetIntMax", {0, kMax, kMax, kMax, kMax}, {0, 1, -3, 1, 1}},
    {"FullSetHighestCodes", {0, 6, 3, 4, 5}, {0, 6, 3, 4, 5}},
    {"FullSetJustAbove", {0, 7, 4, 5, 6}, {0, 1, -3, 1, 1}},
    {"FullSetLowestCodes", {0, 2, -3, 2, 2}, {0, 2, -3, 2, 2}},
    {"FullSetJustBelow", {0, 0, -4, 0, 0}, {0, 1, -3, 1, 1}},
    // Reduced: no "Lightest" toggle, so 6 becomes 1; brightness and dither
    // go back however wild.
    {"ReducedWithoutLightest", {1, 6, 100, 4, 0}, {1, 1, 100, 4, 0}},
    // Any non-zero word is the reduced set, the high byte alone too.
    {"ReducedByTheHighByte", {0x01000000, 2, -4, 3, 7}, {0x01000000, 2, -4, 3, 7}},
    {"ReducedByTheSecondByte", {0x00000100, 3, kMax, 9, kMin}, {0x00000100, 1, kMax, 1, kMin}},
};

INSTANTIATE_TEST_SUITE_P(Records, HostileRecord, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
