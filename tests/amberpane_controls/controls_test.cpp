// amberpane's controls, built in-process from a fetched record into a work
// area made as the program makes it, on a real toolkit.  Apply goes over a
// real socket to a peer end that the test reads.
#include <gtest/gtest.h>

#include "toolkit_fixture.h"

#include <Xm/Xm.h>
#include <Xm/RowColumn.h>
#include <Xm/ScrollBar.h>
#include <Xm/SelectioB.h>
#include <Xm/ToggleB.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "amberpane.h"
#include "records/byteorder.h"
#include "scan/sc.h"

namespace {

using Bytes = std::array<unsigned char, 40>;
using Edits = std::vector<std::pair<int, unsigned char>>;

// A record as a driver might send it: every field in range, the channels
// apart with green and blue equal to red, and every uninterpreted byte
// holding something to lose.
constexpr Bytes kBase = {
    2,    5,    0x00, 0x80,                          // dither, pattern 5, threshold 128
    0x8A, 0x5A,                                      // media choice, reflective, apart; byte 5
    0xA1, 0x32, 0x01, 0x00, 0xEE, 0xDD, 0x02, 0x00,  // grey: sharp, 256, 512
    0xB2, 0x41, 0x00, 0x64, 0xCC, 0xBB, 0x03, 0xE8,  // red: smooth, 100, 1000
    0xB2, 0x41, 0x00, 0x64, 0xCC, 0xBB, 0x03, 0xE8,  // blue
    0xB2, 0x41, 0x00, 0x64, 0xCC, 0xBB, 0x03, 0xE8,  // green
    0x7E, 0x81,
};

constexpr int kGrey = 6, kRed = 14, kBlue = 22, kGreen = 30;

Bytes Edited(Bytes b, const Edits& edits) {
    for (const auto& [offset, value] : edits) b[offset] = value;
    return b;
}

std::string Hex(const Bytes& b) {
    std::string s;
    char buf[4];
    for (unsigned char c : b) {
        std::snprintf(buf, sizeof buf, "%02x ", c);
        s += buf;
    }
    return s;
}

class AmberpaneControls : public testrig::ToolkitTest {
  protected:
    const char* AppName() const override { return "amberpane"; }
    const char* AppClass() const override { return "Dezidov2"; }
    String* Fallbacks() const override { return fallBackResources; }

    // The program's dialog frame, with the four groups built from the
    // fetched record, on one end of a real channel.
    void Build(const Bytes& fetched) {
        options.bytes = fetched;
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
        handle = {fds[0], fds[0]};
        selBox = CreateOptionsDialog(toplevel, &handle);
        XtRealizeWidget(toplevel);
        testrig::ProcessEvents();
    }

    void TearDown() override {
        for (int fd : fds) {
            if (fd >= 0)
                close(fd);
        }
    }

    // The user presses Apply; the driver's success reply already waits in
    // the channel.  Returns the record that crossed.
    Bytes Apply() {
        Bytes sent{};
        const unsigned char reply[8] = {};  // no data, no error
        EXPECT_EQ(write(fds[1], reply, sizeof reply), 8);
        testrig::PressSelectionButton(selBox, XmNapplyCallback);

        unsigned char request[8 + 40];
        size_t got = 0;
        while (got < sizeof request) {
            ssize_t n = recv(fds[1], request + got, sizeof request - got, MSG_DONTWAIT);
            if (n <= 0)
                break;
            got += static_cast<size_t>(n);
        }
        EXPECT_EQ(got, sizeof request);
        EXPECT_EQ(records::getI32BE(request), SC_OPT_SET);
        EXPECT_EQ(records::getI32BE(request + 4), 40);
        std::memcpy(sent.data(), request + 8, sent.size());
        return sent;
    }

    Widget W(const char* path) { return testrig::Find(toplevel, path); }
    // A channel's two rows, found through their prefixed titles.
    Widget TypeForm(const std::string& prefix) {
        return XtParent(W(("*" + prefix + "GammaTypeLabel").c_str()));
    }
    Widget BrightForm(const std::string& prefix) {
        return XtParent(W(("*" + prefix + "BrightLabel").c_str()));
    }
    Widget GroupPart(const std::string& prefix, const char* name) {
        bool typeRow = std::strcmp(name, "gammaRadio") == 0 || std::strchr(name, '.') != nullptr;
        return testrig::Find(typeRow ? TypeForm(prefix) : BrightForm(prefix), name);
    }
    int ScrollValue(Widget scroll) {
        int v = 0;
        XtVaGetValues(scroll, XmNvalue, &v, nullptr);
        return v;
    }
    bool Set(Widget toggle) { return XmToggleButtonGetState(toggle) != 0; }

    int fds[2] = {-1, -1};  // the program's end, the driver's end
    SCOptHandle handle{-1, -1};
    Widget selBox = nullptr;
};

// ---------------------------------------------------------------------------
// What Apply sends, for records as fetched.  Green and blue always come back
// as red's settings: copied at start-up when apart, by Apply when together.

struct ApplyCase {
    const char* name;
    bool zero;       // start from an all-zero record instead of kBase
    Edits fetched;   // changes to the starting record
    Edits expected;  // changes to the fetched record that Apply shows
};

void PrintTo(const ApplyCase& c, std::ostream* os) {
    *os << c.name;
}

class ApplyBytes : public AmberpaneControls, public ::testing::WithParamInterface<ApplyCase> {};

TEST_P(ApplyBytes, SendsTheNormalisedRecord) {
    const ApplyCase& c = GetParam();
    Bytes fetched = Edited(c.zero ? Bytes{} : kBase, c.fetched);
    Bytes expected = Edited(fetched, c.expected);
    std::memcpy(&expected[kBlue], &expected[kRed], 8);
    std::memcpy(&expected[kGreen], &expected[kRed], 8);

    Build(fetched);
    if (!(fetched[4] & 0x20)) {
        // Apart: the dialog already shows what Apply will send.
        EXPECT_EQ(Hex(options.bytes), Hex(expected));
    }
    EXPECT_EQ(Hex(Apply()), Hex(expected));
}

const ApplyCase kApplyCases[] = {
    {"AsFetched", false, {}, {}},
    {"AllZero", true, {}, {}},
    {"Halftone1BecomesThreshold", false, {{0, 1}}, {{0, 0}}},
    {"Halftone4BecomesThreshold", false, {{0, 4}}, {{0, 0}}},
    {"Halftone255BecomesThreshold", false, {{0, 255}}, {{0, 0}}},
    {"ThresholdKept", false, {{0, 0}}, {}},
    {"ErrorDiffusionKept", false, {{0, 3}}, {}},
    {"GreyGamma5BecomesNormalKeepingHighNibble", false, {{kGrey + 1, 0x35}}, {{kGrey + 1, 0x30}}},
    {"GreyGamma15BecomesNormalKeepingByte0",
     false,
     {{kGrey, 0xFF}, {kGrey + 1, 0xFF}},
     {{kGrey + 1, 0xF0}}},
    {"GreyLinearKept", false, {{kGrey + 1, 0x23}}, {}},
    {"RedGamma9BecomesNormal", false, {{kRed + 1, 0x99}}, {{kRed + 1, 0x90}}},
    {"ApartGreenAndBlueTakeRed",
     false,
     {{kBlue, 0x11}, {kBlue + 1, 0x04}, {kBlue + 5, 0x22}, {kGreen + 1, 0x0C}, {kGreen + 7, 0x55}},
     {}},
    {"TogetherGreenAndBlueTakeRed",
     false,
     {{4, 0xAA}, {kBlue, 0x11}, {kBlue + 1, 0x0B}, {kGreen + 3, 0x99}, {kGreen + 4, 0x44}},
     {}},
    {"TransparentKeptWithoutMediaChoice", false, {{4, 0x4A}}, {}},
    {"ReflectiveKeptWithoutMediaChoice", false, {{4, 0x0A}}, {}},
    {"TransparentWithMediaChoice", false, {{4, 0xC0}}, {}},
    {"LowFlagBitsKept", false, {{4, 0xFF}, {5, 0xFF}}, {}},
    {"Pattern0Kept", false, {{1, 0}}, {}},
    {"Pattern11Kept", false, {{1, 11}}, {}},
    {"Threshold0Kept", false, {{2, 0}, {3, 0}}, {}},
    {"Threshold300Kept", false, {{2, 0x01}, {3, 0x2C}}, {}},
    {"BrightnessAndContrastOutOfRangeKept",
     false,
     {{kGrey + 2, 0},
      {kGrey + 3, 0},
      {kGrey + 6, 0x07},
      {kGrey + 7, 0xD0},
      {kRed + 2, 0x04},
      {kRed + 3, 0x00},
      {kRed + 6, 0},
      {kRed + 7, 0}},
     {}},
};

INSTANTIATE_TEST_SUITE_P(Records, ApplyBytes, ::testing::ValuesIn(kApplyCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The halftoning method: which toggle shows, what is stored, and which of the
// threshold and pattern controls can be used.

struct HalftoneCase {
    unsigned fetched;
    const char* pick;  // toggle the user sets afterwards, or null
    unsigned code;
    bool threshold;  // threshold controls sensitive
    bool pattern;    // pattern controls sensitive
};

void PrintTo(const HalftoneCase& c, std::ostream* os) {
    *os << "halftone " << c.fetched << (c.pick ? std::string(", pick ") + c.pick : "");
}

class Halftone : public AmberpaneControls, public ::testing::WithParamInterface<HalftoneCase> {};

TEST_P(Halftone, SelectsStoresAndSensitises) {
    const HalftoneCase& c = GetParam();
    Build(Edited(kBase, {{0, static_cast<unsigned char>(c.fetched)}}));
    if (c.pick != nullptr)
        testrig::SetToggle(W((std::string("*halftoneRadio.") + c.pick).c_str()), true);

    EXPECT_EQ(options.halftone(), c.code);
    const std::pair<const char*, unsigned> toggles[] = {{"thresh", 0}, {"dither", 2}, {"error", 3}};
    for (const auto& [name, code] : toggles) {
        EXPECT_EQ(Set(W((std::string("*halftoneRadio.") + name).c_str())), code == c.code) << name;
    }
    for (const char* name :
         {"threshScroll", "threshLabel", "threshValueLabel", "threshMin", "threshMax"}) {
        EXPECT_EQ(XtIsSensitive(W((std::string("*patternForm.") + name).c_str())) != 0, c.threshold)
            << name;
    }
    for (const char* name : {"patternOption", "patternLabel"}) {
        EXPECT_EQ(XtIsSensitive(W((std::string("*patternForm.") + name).c_str())) != 0, c.pattern)
            << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Methods, Halftone,
                         ::testing::Values(HalftoneCase{7, nullptr, 0, true, false},
                                           HalftoneCase{2, nullptr, 2, false, true},
                                           HalftoneCase{3, nullptr, 3, false, false},
                                           HalftoneCase{0, "dither", 2, false, true},
                                           HalftoneCase{2, "error", 3, false, false},
                                           HalftoneCase{3, "thresh", 0, true, false}));

// ---------------------------------------------------------------------------
// Sliders dragged past either end store the end of their range and show it.

struct SliderCase {
    const char* name;
    const char* prefix;  // gamma group, or null for the threshold
    const char* scroll;
    const char* valueLabel;
    int offset;  // of the 16-bit field in the record
    int highest;
};

void PrintTo(const SliderCase& c, std::ostream* os) {
    *os << c.name;
}

class SliderEnds : public AmberpaneControls, public ::testing::WithParamInterface<SliderCase> {};

TEST_P(SliderEnds, StoreAndShowTheEnds) {
    const SliderCase& c = GetParam();
    Build(kBase);
    auto part = [&](const char* name) {
        return c.prefix ? GroupPart(c.prefix, name)
                        : W((std::string("*patternForm.") + name).c_str());
    };
    Widget scroll = part(c.scroll);
    Widget label = part(c.valueLabel);

    testrig::MoveScrollBar(scroll, 100000, true);
    EXPECT_EQ(records::getU16BE(&options.bytes[c.offset]), static_cast<unsigned>(c.highest));
    char text[8];
    std::snprintf(text, sizeof text, "%-4d", c.highest);
    EXPECT_EQ(testrig::LabelText(label), text);

    testrig::MoveScrollBar(scroll, -100000, true);
    EXPECT_EQ(records::getU16BE(&options.bytes[c.offset]), 1u);
    EXPECT_EQ(testrig::LabelText(label), "1   ");
}

INSTANTIATE_TEST_SUITE_P(
    Sliders, SliderEnds,
    ::testing::Values(
        SliderCase{"Threshold", nullptr, "threshScroll", "threshValueLabel", 2, 255},
        SliderCase{"GreyBrightness", "grey", "brightScroll", "brightValueLabel", kGrey + 2, 1023},
        SliderCase{"RedContrast", "red", "contrScroll", "contrValueLabel", kRed + 6, 1023},
        SliderCase{"GreenBrightness", "green", "brightScroll", "brightValueLabel", kGreen + 2,
                   1023},
        SliderCase{"BlueContrast", "blue", "contrScroll", "contrValueLabel", kBlue + 6, 1023}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AmberpaneControls, ValueLabelsShowTheStoredNumbers) {
    Build(Edited(kBase, {{2, 0x01},
                         {3, 0x2C},  // threshold 300
                         {kGrey + 2, 0},
                         {kGrey + 3, 7},  // grey brightness 7
                         {kRed + 6, 0x07},
                         {kRed + 7, 0xD0}}));  // red contrast 2000
    EXPECT_EQ(testrig::LabelText(W("*threshValueLabel")), "300 ");
    EXPECT_EQ(testrig::LabelText(GroupPart("grey", "brightValueLabel")), "7   ");
    EXPECT_EQ(ScrollValue(GroupPart("grey", "brightScroll")), 7);
    EXPECT_EQ(testrig::LabelText(GroupPart("red", "contrValueLabel")), "2000");
    EXPECT_EQ(testrig::LabelText(GroupPart("grey", "contrValueLabel")), "512 ");
    EXPECT_EQ(testrig::LabelText(W("*threshMin")), "1");
    EXPECT_EQ(testrig::LabelText(W("*threshMax")), "255");
    EXPECT_EQ(testrig::LabelText(GroupPart("blue", "contrMax")), "1023");
}

// ---------------------------------------------------------------------------
// Gamma types.

TEST_F(AmberpaneControls, LinearShowsAndSmoothKeepsTheOtherBits) {
    Build(Edited(kBase, {{kGrey, 0x5C}, {kGrey + 1, 0x23}}));
    Widget linear = GroupPart("grey", "gammaRadio.linear");
    EXPECT_TRUE(Set(linear));
    EXPECT_EQ(testrig::LabelText(linear), "Linear");
    EXPECT_EQ(options.bytes[kGrey + 1], 0x23);

    testrig::SetToggle(GroupPart("grey", "gammaRadio.smooth"), true);
    EXPECT_FALSE(Set(linear));
    EXPECT_EQ(options.bytes[kGrey + 1], 0x21);
    EXPECT_EQ(options.bytes[kGrey], 0x5C);
}

TEST_F(AmberpaneControls, GammaTypeAboveFourShowsNormal) {
    Build(Edited(kBase, {{kGrey + 1, 0x3E}}));
    EXPECT_TRUE(Set(GroupPart("grey", "gammaRadio.normal")));
    EXPECT_FALSE(Set(GroupPart("grey", "gammaRadio.sharp")));
    EXPECT_EQ(options.bytes[kGrey + 1], 0x30);
}

// ---------------------------------------------------------------------------
// "Change Colors Together".

const char* const kMovingForms[] = {"green", "blue"};

TEST_F(AmberpaneControls, TogetherRetitlesRedHidesAndRestoresGreenAndBlue) {
    Build(Edited(kBase, {{kGreen + 3, 0x05}, {kBlue + 1, 0x43}}));
    Widget toggle = W("*colorFrame*togetherToggle");
    EXPECT_FALSE(Set(toggle));
    EXPECT_EQ(testrig::LabelText(W("*redGammaTypeLabel")), "Red Gamma");
    EXPECT_EQ(testrig::LabelText(W("*redBrightLabel")), "Red Brightness:");
    EXPECT_EQ(testrig::LabelText(W("*redContrLabel")), "Red Contrast:");
    EXPECT_EQ(testrig::LabelText(W("*greenBrightLabel")), "Green Brightness:");
    for (const char* p : kMovingForms) {
        EXPECT_TRUE(XtIsManaged(TypeForm(p)) && XtIsManaged(BrightForm(p))) << p;
    }
    const Bytes before = options.bytes;

    testrig::SetToggle(toggle, true);
    EXPECT_TRUE(options.together());
    EXPECT_EQ(options.bytes[4], 0xAA);
    EXPECT_EQ(testrig::LabelText(W("*redGammaTypeLabel")), "Color Gamma");
    EXPECT_EQ(testrig::LabelText(W("*redBrightLabel")), "Color Brightness:");
    EXPECT_EQ(testrig::LabelText(W("*redContrLabel")), "Color Contrast:");
    for (const char* p : kMovingForms) {
        EXPECT_FALSE(XtIsManaged(TypeForm(p)) || XtIsManaged(BrightForm(p))) << p;
    }
    EXPECT_TRUE(XtIsManaged(TypeForm("red")) && XtIsManaged(BrightForm("red")));
    EXPECT_TRUE(XtIsManaged(TypeForm("grey")) && XtIsManaged(BrightForm("grey")));

    // Red now stands for all colours; green and blue come back showing it.
    testrig::MoveScrollBar(GroupPart("red", "brightScroll"), 700, true);
    testrig::SetToggle(GroupPart("red", "gammaRadio.error"), true);
    testrig::SetToggle(toggle, false);
    EXPECT_FALSE(options.together());
    EXPECT_EQ(options.bytes[4], 0x8A);
    EXPECT_EQ(testrig::LabelText(W("*redGammaTypeLabel")), "Red Gamma");
    EXPECT_EQ(testrig::LabelText(W("*redBrightLabel")), "Red Brightness:");
    EXPECT_EQ(testrig::LabelText(W("*redContrLabel")), "Red Contrast:");
    EXPECT_TRUE(options.red().brightness() == 700 && options.red().gammaType() == 4);
    EXPECT_TRUE(options.green().sameAs(options.red()));
    EXPECT_TRUE(options.blue().sameAs(options.red()));
    for (const char* p : kMovingForms) {
        EXPECT_TRUE(XtIsManaged(TypeForm(p)) && XtIsManaged(BrightForm(p))) << p;
        EXPECT_EQ(testrig::LabelText(GroupPart(p, "brightValueLabel")), "700 ") << p;
        EXPECT_EQ(ScrollValue(GroupPart(p, "brightScroll")), 700) << p;
        EXPECT_TRUE(Set(GroupPart(p, "gammaRadio.error"))) << p;
        EXPECT_FALSE(Set(GroupPart(p, "gammaRadio.smooth"))) << p;
    }
    // The grey channel takes no part.
    EXPECT_EQ(0, std::memcmp(&options.bytes[kGrey], &before[kGrey], 8));
}

TEST_F(AmberpaneControls, GreenEditIsLostAfterSettingAndClearingTogether) {
    Build(kBase);
    testrig::MoveScrollBar(GroupPart("green", "contrScroll"), 900, true);
    EXPECT_EQ(options.green().contrast(), 900u);
    EXPECT_EQ(options.red().contrast(), 1000u);

    Widget toggle = W("*colorFrame*togetherToggle");
    testrig::SetToggle(toggle, true);
    testrig::SetToggle(toggle, false);
    EXPECT_EQ(options.green().contrast(), 1000u);
    EXPECT_TRUE(options.green().sameAs(options.red()));
    EXPECT_EQ(testrig::LabelText(GroupPart("green", "contrValueLabel")), "1000");
    EXPECT_EQ(ScrollValue(GroupPart("green", "contrScroll")), 1000);
}

TEST_F(AmberpaneControls, StartingTogetherShowsOnlyTheColourGroup) {
    Bytes fetched = Edited(kBase, {{4, 0xAA}, {kGreen + 1, 0x47}, {kGreen + 3, 0x09}, {kBlue, 0}});
    Build(fetched);
    EXPECT_TRUE(Set(W("*colorFrame*togetherToggle")));
    EXPECT_EQ(testrig::LabelText(W("*redGammaTypeLabel")), "Color Gamma");
    EXPECT_EQ(testrig::LabelText(W("*redBrightLabel")), "Color Brightness:");
    EXPECT_EQ(testrig::LabelText(W("*redContrLabel")), "Color Contrast:");
    for (const char* p : kMovingForms) {
        EXPECT_FALSE(XtIsManaged(TypeForm(p)) || XtIsManaged(BrightForm(p))) << p;
    }
    // Green and blue keep what came (their gamma type made normal) until
    // Apply copies red into them.
    Bytes shown = Edited(fetched, {{kGreen + 1, 0x40}});
    EXPECT_EQ(Hex(options.bytes), Hex(shown));
}

// ---------------------------------------------------------------------------
// Media type and dither pattern.

TEST_F(AmberpaneControls, MediaTypeRowOnlyWithMediaChoice) {
    Build(Edited(kBase, {{4, 0x4A}}));
    EXPECT_EQ(XtNameToWidget(toplevel, "*generalForm"), nullptr);
}

TEST_F(AmberpaneControls, MediaTypeTogglesWriteTheTransparentBit) {
    Build(Edited(kBase, {{4, 0xDF}}));
    Widget trans = W("*generalForm.transRC.trans");
    Widget reflect = W("*generalForm.transRC.reflect");
    EXPECT_TRUE(Set(trans));
    EXPECT_FALSE(Set(reflect));
    EXPECT_EQ(testrig::LabelText(W("*generalForm.transLabel")), "Media Type:");

    testrig::SetToggle(reflect, true);
    EXPECT_FALSE(Set(trans));
    EXPECT_EQ(options.bytes[4], 0x9F);
    testrig::SetToggle(trans, true);
    EXPECT_EQ(options.bytes[4], 0xDF);
}

struct PatternCase {
    unsigned fetched;
    const char* shown;
};

void PrintTo(const PatternCase& c, std::ostream* os) {
    *os << "pattern " << c.fetched;
}

class PatternMenu : public AmberpaneControls, public ::testing::WithParamInterface<PatternCase> {};

TEST_P(PatternMenu, ShowsTheFetchedPatternAndStoresThePicked) {
    const PatternCase& c = GetParam();
    Build(Edited(kBase, {{1, static_cast<unsigned char>(c.fetched)}}));
    Widget option = W("*patternOption");
    EXPECT_EQ(testrig::LabelText(XmOptionButtonGadget(option)), c.shown);
    EXPECT_EQ(options.pattern(), c.fetched);

    testrig::Activate(W("*patternMenu.pattern10"));
    EXPECT_EQ(options.pattern(), 10u);
    testrig::Activate(W("*patternMenu.pattern3"));
    EXPECT_EQ(options.pattern(), 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, PatternMenu,
    ::testing::Values(PatternCase{7, "8x12 60 degree"}, PatternCase{1, "4x8 45 degree"},
                      PatternCase{10, "8x8 Bayer"}, PatternCase{0, "4x8 45 degree"},
                      PatternCase{11, "4x8 45 degree"}, PatternCase{255, "4x8 45 degree"}));

}  // namespace
