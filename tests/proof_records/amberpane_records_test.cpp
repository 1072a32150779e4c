// amberpane fed hostile FS2 records: every byte 0, every byte 0xFF, the
// 16-bit fields at 0, 0x8000 and 0xFFFF, codes outside their sets, with the
// colours together and apart.  The real dialog is built in-process from a
// record fetched over a real channel; it must come up, show the threshold
// as fetched, and an Apply without edits must send back what the
// program's rules predict:
//   - halftone 2 and 3 stay, any other value becomes 0;
//   - each channel's gamma type (the low 4 bits of its byte +1) above 4
//     becomes 0, the high 4 bits and every other byte of the channel stay;
//   - green and blue come back as red's 8 bytes (copied at start-up when
//     the colours are apart, by Apply when together);
//   - everything else (pattern, threshold, brightness and contrast, the
//     flags, bytes 5, 38 and 39) as fetched: out-of-range numbers go to the
//     scroll bars, which keep them to their own range without telling.
// The expected records are written out by hand from these rules.
#include "toolkit_fixture.h"

#include "amberpane.h"
#include "channel_peer.h"

#include <Xm/Xm.h>

#include <string>

#include "scan/sc.h"

namespace {

using proof::Bytes;

struct HostileCase {
    const char* name;
    Bytes fetched;
    Bytes sent;
    const char* threshold;  // the threshold value label
};

void PrintTo(const HostileCase& c, std::ostream* os) {
    *os << c.name;
}

class HostileRecord : public testrig::ToolkitTest,
                      public ::testing::WithParamInterface<HostileCase> {
  protected:
    const char* AppName() const override { return "amberpane"; }
    const char* AppClass() const override { return "Dezidov2"; }
    String* Fallbacks() const override { return fallBackResources; }

    proof::ChannelPeer peer;
};

TEST_P(HostileRecord, StartsShowsTheThresholdAndAppliesThePredictedBytes) {
    const HostileCase& c = GetParam();
    ASSERT_EQ(c.fetched.size(), 40u);
    ASSERT_EQ(c.sent.size(), 40u);
    peer.Reply(c.fetched);
    char name[] = "amberpane";
    char* argv[] = {name, nullptr};
    int argc = 1;
    SCOptHandle* handle = SCGetScanOpt(&argc, argv);
    ASSERT_NE(handle, nullptr);
    options = records::FS2Options{};
    ASSERT_EQ(FetchOptions(handle), 0);
    peer.Sent();
    Widget selBox = CreateOptionsDialog(toplevel, handle);
    XtRealizeWidget(toplevel);
    testrig::ProcessEvents();

    EXPECT_EQ(testrig::LabelText(testrig::Find(toplevel, "*threshValueLabel")), c.threshold);
    const Bytes expected = proof::ChannelPeer::StoreRequest(c.sent);
    for (int press = 0; press < 2; ++press) {
        peer.Reply({});
        testrig::PressSelectionButton(selBox, XmNapplyCallback);
        testrig::ProcessEvents();
        EXPECT_EQ(proof::Hex(peer.Sent()), proof::Hex(expected)) << "Apply " << press + 1;
    }
}

const HostileCase kCases[] = {
    {"AllZero", Bytes(40, 0x00), Bytes(40, 0x00), "0   "},
    // Every byte 0xFF: halftone 255 becomes 0; each gamma type 15 becomes
    // 0 under its high nibble; media choice, transparent and together set.
    {"AllBitsSet",
     Bytes(40, 0xFF),
     {
         0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,              // halftone .. byte 5
         0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // grey
         0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // red
         0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // blue = red
         0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // green = red
         0xFF, 0xFF,
     },
     "65535"},
    // Apart, no media choice but the transparent bit and every low flag bit
    // set; halftone 1; 16-bit fields at 0, 0x8000 and 0xFFFF; gamma types 5
    // and 15; green and blue unlike red.
    {"ApartSixteenBitEnds",
     {
         0x01, 0x00, 0xFF, 0xFF, 0x5F, 0x80,              // halftone 1, pattern 0, 65535
         0x00, 0x05, 0x80, 0x00, 0x7F, 0x80, 0x00, 0x00,  // grey: type 5, 32768, 0
         0xF0, 0x0F, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF,  // red: type 15, 0, 65535
         0x12, 0x03, 0x04, 0x00, 0x56, 0x78, 0x00, 0x01,  // blue
         0x9A, 0x04, 0x00, 0x01, 0xBC, 0xDE, 0x04, 0x00,  // green
         0x00, 0x80,
     },
     {
         0x00, 0x00, 0xFF, 0xFF, 0x5F, 0x80,              //
         0x00, 0x00, 0x80, 0x00, 0x7F, 0x80, 0x00, 0x00,  // grey
         0xF0, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF,  // red
         0xF0, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF,  // blue = red
         0xF0, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF,  // green = red
         0x00, 0x80,
     },
     "65535"},
    // Together with media choice and transparent; error diffusion, pattern
    // 10, the threshold 32768; numbers just past their ranges (1024,
    // 32769); blue all ones and green all zeros, both replaced by red.
    {"TogetherPastTheRanges",
     {
         0x03, 0x0A, 0x80, 0x00, 0xE0, 0x7F,              // error diffusion, 10, 32768
         0xAB, 0x24, 0x04, 0x00, 0xFF, 0x00, 0x80, 0x01,  // grey: type 4, 1024, 32769
         0x01, 0x13, 0x03, 0xFF, 0x00, 0xFF, 0x00, 0x01,  // red: type 3, 1023, 1
         0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // blue
         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // green
         0x7F, 0xFF,
     },
     {
         0x03, 0x0A, 0x80, 0x00, 0xE0, 0x7F,              //
         0xAB, 0x24, 0x04, 0x00, 0xFF, 0x00, 0x80, 0x01,  // grey
         0x01, 0x13, 0x03, 0xFF, 0x00, 0xFF, 0x00, 0x01,  // red
         0x01, 0x13, 0x03, 0xFF, 0x00, 0xFF, 0x00, 0x01,  // blue = red
         0x01, 0x13, 0x03, 0xFF, 0x00, 0xFF, 0x00, 0x01,  // green = red
         0x7F, 0xFF,
     },
     "32768"},
    // Codes outside their sets with their high bits set: halftone and
    // pattern 0x80, gamma types 8 and 10; threshold 256, just past 255.
    {"CodesOutsideTheirSets",
     {
         0x80, 0x80, 0x01, 0x00, 0x80, 0x00,              // media choice, reflective, apart
         0x00, 0x08, 0x00, 0x01, 0x00, 0x00, 0x03, 0xFF,  // grey: type 8, 1, 1023
         0x00, 0x5A, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00,  // red: type 10, 256, 256
         0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33, 0x33,  // blue
         0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44, 0x44,  // green
         0x00, 0x00,
     },
     {
         0x00, 0x80, 0x01, 0x00, 0x80, 0x00,              //
         0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x03, 0xFF,  // grey
         0x00, 0x50, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00,  // red
         0x00, 0x50, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00,  // blue = red
         0x00, 0x50, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00,  // green = red
         0x00, 0x00,
     },
     "256 "},
};

INSTANTIATE_TEST_SUITE_P(Records, HostileRecord, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<HostileCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
