// amberpane's controls end to end: the real program under scanhost on its
// own X server, its toggles clicked through the server, the record stored
// with the Apply button and read back from scanhost's record file.
#include "e2e.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "records/fs2.h"

namespace {

using records::FS2Options;

constexpr const char* kTitle = "Ricoh FS2 Options";

TEST(AmberpaneControlsE2E, ClickedControlsReachTheRecordFileOnApply) {
    FS2Options fetched;
    fetched.bytes = {
        0,    4,    0x00, 0x64,                          // threshold method, pattern 4, 100
        0x85, 0x33,                                      // media choice, reflective, apart
        0x10, 0x51, 0x01, 0x00, 0x02, 0x03, 0x01, 0x80,  // grey: smooth, 256, 384
        0x20, 0x62, 0x00, 0xC8, 0x04, 0x05, 0x02, 0x58,  // red: sharp, 200, 600
        0x30, 0x73, 0x03, 0x20, 0x06, 0x07, 0x03, 0x84,  // blue: linear, 800, 900
        0x40, 0x84, 0x00, 0x0A, 0x08, 0x09, 0x00, 0x14,  // green: error, 10, 20
        0x12, 0x34,
    };
    e2e::Session s;
    ASSERT_TRUE(
        s.Start(e2e::ProgramLaunch("amberpane", {}, {fetched.bytes.begin(), fetched.bytes.end()})));
    Window dialog = s.WaitForWindow(kTitle);
    ASSERT_NE(dialog, 0u);

    ASSERT_TRUE(s.ClickWidget(dialog, "trans"));
    ASSERT_TRUE(s.ClickWidget(dialog, "dither"));
    ASSERT_TRUE(s.ClickWidget(dialog, "greyFrame.linear"));
    ASSERT_TRUE(s.ClickWidget(dialog, "togetherToggle"));
    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Apply"));

    auto trace = s.WaitForExchanges(2);
    ASSERT_EQ(e2e::Codes(trace), (std::vector<int>{200, 201}));
    EXPECT_EQ(trace[1].error, 0);

    FS2Options expected = fetched;
    expected.setHalftone(2);
    expected.setTransparent(true);
    expected.setTogether(true);
    expected.grey().setGammaType(3);
    expected.green().copyFrom(expected.red());
    expected.blue().copyFrom(expected.red());
    EXPECT_EQ(s.Record(), std::vector<unsigned char>(expected.bytes.begin(), expected.bytes.end()));

    ASSERT_TRUE(s.ClickBoxButton(dialog, "selBox", "Cancel"));
    EXPECT_EQ(s.WaitExit(), 0);
}

}  // namespace
