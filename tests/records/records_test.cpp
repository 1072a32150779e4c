// The option records as channel bytes: where each field lies, in which byte
// order, which neighbours a write leaves alone, and how records are named.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "records/byteorder.h"
#include "records/fs2.h"
#include "records/models.h"
#include "records/scanjet.h"
#include "records/sharp.h"

namespace {

using records::FS2Options;
using records::GammaSettings;
using records::Model;
using records::SharpOptions;
using records::SjOptions;
using Described = std::vector<std::pair<std::string, std::string>>;

constexpr unsigned char kFill = 0x5A;

template <typename Record>
Record Filled() {
    Record rec;
    rec.bytes.fill(kFill);
    return rec;
}

// Every byte outside [offset, offset + width) still holds the fill.
template <typename Record>
void ExpectOthersUntouched(const Record& rec, std::size_t offset, std::size_t width) {
    for (std::size_t i = 0; i < rec.bytes.size(); ++i) {
        if (i >= offset && i < offset + width)
            continue;
        EXPECT_EQ(rec.bytes[i], kFill) << "byte " << i;
    }
}

TEST(ByteOrder, MostSignificantByteFirst) {
    unsigned char b[4] = {};
    records::putU16BE(b, 0xBEEF);
    EXPECT_EQ(b[0], 0xBE);
    EXPECT_EQ(b[1], 0xEF);
    EXPECT_EQ(records::getU16BE(b), 0xBEEFu);
    records::putI32BE(b, -2);
    EXPECT_EQ(std::vector<unsigned char>(b, b + 4),
              (std::vector<unsigned char>{0xFF, 0xFF, 0xFF, 0xFE}));
    EXPECT_EQ(records::getI32BE(b), -2);
    records::putU32BE(b, 0x80010203u);
    EXPECT_EQ(records::getU32BE(b), 0x80010203u);
    EXPECT_EQ(records::getI32BE(b), static_cast<std::int32_t>(0x80010203u));
}

// FS2 fields: a getter reads its bytes big-endian, a setter writes only them.
struct Fs2Field {
    const char* name;
    std::size_t offset;
    std::size_t width;
    unsigned (*get)(FS2Options&);
    void (*set)(FS2Options&, unsigned);
};

const Fs2Field kFs2Fields[] = {
    {"halftone", 0, 1, [](FS2Options& r) { return r.halftone(); },
     [](FS2Options& r, unsigned v) { r.setHalftone(v); }},
    {"pattern", 1, 1, [](FS2Options& r) { return r.pattern(); },
     [](FS2Options& r, unsigned v) { r.setPattern(v); }},
    {"threshold", 2, 2, [](FS2Options& r) { return r.threshold(); },
     [](FS2Options& r, unsigned v) { r.setThreshold(v); }},
    {"grey.brightness", 8, 2, [](FS2Options& r) { return r.grey().brightness(); },
     [](FS2Options& r, unsigned v) { r.grey().setBrightness(v); }},
    {"grey.contrast", 12, 2, [](FS2Options& r) { return r.grey().contrast(); },
     [](FS2Options& r, unsigned v) { r.grey().setContrast(v); }},
    {"red.brightness", 16, 2, [](FS2Options& r) { return r.red().brightness(); },
     [](FS2Options& r, unsigned v) { r.red().setBrightness(v); }},
    {"red.contrast", 20, 2, [](FS2Options& r) { return r.red().contrast(); },
     [](FS2Options& r, unsigned v) { r.red().setContrast(v); }},
    {"blue.brightness", 24, 2, [](FS2Options& r) { return r.blue().brightness(); },
     [](FS2Options& r, unsigned v) { r.blue().setBrightness(v); }},
    {"blue.contrast", 28, 2, [](FS2Options& r) { return r.blue().contrast(); },
     [](FS2Options& r, unsigned v) { r.blue().setContrast(v); }},
    {"green.brightness", 32, 2, [](FS2Options& r) { return r.green().brightness(); },
     [](FS2Options& r, unsigned v) { r.green().setBrightness(v); }},
    {"green.contrast", 36, 2, [](FS2Options& r) { return r.green().contrast(); },
     [](FS2Options& r, unsigned v) { r.green().setContrast(v); }},
};

TEST(FS2Options, FieldsBigEndianAtTheirOffsets) {
    for (const Fs2Field& f : kFs2Fields) {
        SCOPED_TRACE(f.name);
        const unsigned value = f.width == 1 ? 0xC3 : 0x03FE;
        FS2Options rec = Filled<FS2Options>();
        f.set(rec, value);
        if (f.width == 1) {
            EXPECT_EQ(rec.bytes[f.offset], 0xC3);
        } else {
            EXPECT_EQ(rec.bytes[f.offset], 0x03);
            EXPECT_EQ(rec.bytes[f.offset + 1], 0xFE);
        }
        ExpectOthersUntouched(rec, f.offset, f.width);
        EXPECT_EQ(f.get(rec), value);
    }
}

TEST(FS2Options, FlagBitsKeepTheirNeighbours) {
    struct Case {
        unsigned char before;
        bool transparent;
        bool together;
        unsigned char after;
    } const cases[] = {
        {0x00, true, false, 0x40}, {0x00, false, true, 0x20}, {0xFF, false, false, 0x9F},
        {0x9F, true, true, 0xFF},  {0x80, true, true, 0xE0},  {0x1F, false, true, 0x3F},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.before));
        FS2Options rec = Filled<FS2Options>();
        rec.bytes[4] = c.before;
        rec.setTransparent(c.transparent);
        rec.setTogether(c.together);
        EXPECT_EQ(rec.bytes[4], c.after);
        EXPECT_EQ(rec.flags(), c.after);
        EXPECT_EQ(rec.transparent(), c.transparent);
        EXPECT_EQ(rec.together(), c.together);
        EXPECT_EQ(rec.mediaChoice(), (c.before & 0x80) != 0);
        ExpectOthersUntouched(rec, 4, 1);
    }
}

TEST(FS2Options, GammaTypeIsTheLowNibbleOfTheSecondByte) {
    FS2Options rec = Filled<FS2Options>();
    rec.bytes[14] = 0xAB;
    rec.bytes[15] = 0xCD;
    GammaSettings red = rec.red();
    EXPECT_EQ(red.gammaType(), 0xDu);
    red.setGammaType(3);
    EXPECT_EQ(rec.bytes[14], 0xAB);
    EXPECT_EQ(rec.bytes[15], 0xC3);
    red.setGammaType(0x14);  // only four bits fit
    EXPECT_EQ(rec.bytes[15], 0xC4);
    EXPECT_EQ(red.gammaType(), 4u);
    ExpectOthersUntouched(rec, 14, 2);
}

TEST(FS2Options, ChannelsCopyAllEightBytes) {
    FS2Options rec = Filled<FS2Options>();
    for (std::size_t i = 0; i < 8; ++i) rec.bytes[6 + i] = static_cast<unsigned char>(0x10 + i);
    EXPECT_FALSE(rec.green().sameAs(rec.grey()));
    rec.green().copyFrom(rec.grey());
    rec.blue().copyFrom(rec.grey());
    EXPECT_TRUE(rec.green().sameAs(rec.grey()));
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(rec.bytes[30 + i], 0x10 + i) << "green +" << i;
        EXPECT_EQ(rec.bytes[22 + i], 0x10 + i) << "blue +" << i;
        EXPECT_EQ(rec.bytes[14 + i], kFill) << "red +" << i;
    }
    EXPECT_EQ(rec.bytes[5], kFill);
    EXPECT_EQ(rec.bytes[38], kFill);
    EXPECT_EQ(rec.bytes[39], kFill);
}

// ScanJet and Sharp words: the named getter reads its offset, big-endian and
// signed; the setter (where the program writes the field) touches only it.
template <typename Record>
struct WordField {
    const char* name;
    std::size_t offset;
    std::int32_t (Record::*get)() const;
    void (Record::*set)(std::int32_t);
};

const WordField<SjOptions> kSjFields[] = {
    {"intensity", 0, &SjOptions::intensity, &SjOptions::setIntensity},
    {"intensityMin", 4, &SjOptions::intensityMin, nullptr},
    {"intensityMax", 8, &SjOptions::intensityMax, nullptr},
    {"contrast", 12, &SjOptions::contrast, &SjOptions::setContrast},
    {"contrastMin", 16, &SjOptions::contrastMin, nullptr},
    {"contrastMax", 20, &SjOptions::contrastMax, nullptr},
    {"ditherOn", 24, &SjOptions::ditherOn, &SjOptions::setDitherOn},
    {"ditherPattern", 28, &SjOptions::ditherPattern, &SjOptions::setDitherPattern},
};

const WordField<SharpOptions> kSharpFields[] = {
    {"reducedSet", 0, &SharpOptions::reducedSet, nullptr},
    {"gammaCurve", 4, &SharpOptions::gammaCurve, &SharpOptions::setGammaCurve},
    {"brightLevel", 8, &SharpOptions::brightLevel, &SharpOptions::setBrightLevel},
    {"edgeEmphasis", 12, &SharpOptions::edgeEmphasis, &SharpOptions::setEdgeEmphasis},
    {"ditherMode", 16, &SharpOptions::ditherMode, &SharpOptions::setDitherMode},
};

template <typename Record, std::size_t N>
void CheckWords(const WordField<Record> (&fields)[N]) {
    for (const WordField<Record>& f : fields) {
        SCOPED_TRACE(f.name);
        Record rec = Filled<Record>();
        const unsigned char word[4] = {0x80, 0x01, 0x02, 0x03};
        std::copy(word, word + 4, rec.bytes.begin() + f.offset);
        EXPECT_EQ((rec.*f.get)(), static_cast<std::int32_t>(0x80010203u));
        if (f.set == nullptr)
            continue;
        rec = Filled<Record>();
        (rec.*f.set)(-3);
        EXPECT_EQ(rec.bytes[f.offset], 0xFF);
        EXPECT_EQ(rec.bytes[f.offset + 1], 0xFF);
        EXPECT_EQ(rec.bytes[f.offset + 2], 0xFF);
        EXPECT_EQ(rec.bytes[f.offset + 3], 0xFD);
        EXPECT_EQ((rec.*f.get)(), -3);
        ExpectOthersUntouched(rec, f.offset, 4);
    }
}

TEST(SjOptions, WordsBigEndianAtTheirOffsets) {
    CheckWords(kSjFields);
}

TEST(SharpOptions, WordsBigEndianAtTheirOffsets) {
    CheckWords(kSharpFields);
}

TEST(SjOptions, TpaEnabledKeepsItsNeighbours) {
    for (unsigned char before : {0x00, 0x80, 0xBF, 0xFF, 0x3F}) {
        SCOPED_TRACE(int(before));
        SjOptions rec = Filled<SjOptions>();
        rec.bytes[32] = before;
        EXPECT_EQ(rec.tpaPresent(), (before & 0x80) != 0);
        EXPECT_EQ(rec.tpaEnabled(), (before & 0x40) != 0);
        rec.setTpaEnabled(true);
        EXPECT_EQ(rec.bytes[32], before | 0x40);
        rec.setTpaEnabled(false);
        EXPECT_EQ(rec.bytes[32], before & 0xBF);
        EXPECT_EQ(rec.tpaFlags(), unsigned(before & 0xBF));
        ExpectOthersUntouched(rec, 32, 1);
    }
}

TEST(Models, NamesSizesAndPrograms) {
    struct Case {
        Model model;
        const char* name;
        const char* program;
        std::size_t size;
    } const cases[] = {
        {Model::FS2, "fs2", "amberpane", 40},
        {Model::ScanJet, "scanjet", "cobaltpane", 36},
        {Model::Sharp, "sharp", "indigopane", 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(records::RecordSize(c.model), c.size);
        EXPECT_STREQ(records::ModelName(c.model), c.name);
        EXPECT_EQ(records::ParseModel(c.name), c.model);
        EXPECT_EQ(records::ModelForProgram(c.program), c.model);
        EXPECT_EQ(records::ModelForProgram(std::string("/opt/bin/") + c.program), c.model);
        EXPECT_EQ(records::DefaultRecord(c.model).size(), c.size);
    }
    EXPECT_EQ(FS2Options::kSize, 40u);
    EXPECT_EQ(SjOptions::kSize, 36u);
    EXPECT_EQ(SharpOptions::kSize, 20u);
    for (const char* unknown : {"", "FS2", "fs", "scanjet2", "amberpane"}) {
        EXPECT_FALSE(records::ParseModel(unknown).has_value()) << unknown;
    }
    for (const char* unknown : {"", "amberpane2", "amberpane/", "xterm", "/bin/amber"}) {
        EXPECT_FALSE(records::ModelForProgram(unknown).has_value()) << unknown;
    }
}

TEST(Models, DefaultRecordsHoldPlausibleValues) {
    FS2Options fs2;
    const auto fs2Bytes = records::DefaultRecord(Model::FS2);
    std::copy(fs2Bytes.begin(), fs2Bytes.end(), fs2.bytes.begin());
    EXPECT_EQ(fs2.halftone(), 0u);
    EXPECT_EQ(fs2.pattern(), 1u);
    EXPECT_EQ(fs2.threshold(), 128u);
    EXPECT_TRUE(fs2.mediaChoice());
    EXPECT_FALSE(fs2.transparent());
    EXPECT_TRUE(fs2.together());
    for (GammaSettings ch : {fs2.grey(), fs2.red(), fs2.blue(), fs2.green()}) {
        EXPECT_EQ(ch.gammaType(), 0u);
        EXPECT_EQ(ch.brightness(), 512u);
        EXPECT_EQ(ch.contrast(), 512u);
    }

    SjOptions sj;
    const auto sjBytes = records::DefaultRecord(Model::ScanJet);
    std::copy(sjBytes.begin(), sjBytes.end(), sj.bytes.begin());
    EXPECT_EQ(sj.intensity(), 0);
    EXPECT_EQ(sj.intensityMin(), -127);
    EXPECT_EQ(sj.intensityMax(), 127);
    EXPECT_EQ(sj.contrast(), 0);
    EXPECT_EQ(sj.contrastMin(), -127);
    EXPECT_EQ(sj.contrastMax(), 127);
    EXPECT_EQ(sj.ditherOn(), 0);
    EXPECT_EQ(sj.ditherPattern(), 0);
    EXPECT_TRUE(sj.tpaPresent());
    EXPECT_FALSE(sj.tpaEnabled());

    SharpOptions sharp;
    const auto sharpBytes = records::DefaultRecord(Model::Sharp);
    std::copy(sharpBytes.begin(), sharpBytes.end(), sharp.bytes.begin());
    EXPECT_EQ(sharp.reducedSet(), 0);
    EXPECT_EQ(sharp.gammaCurve(), 1);
    EXPECT_EQ(sharp.brightLevel(), 0);
    EXPECT_EQ(sharp.edgeEmphasis(), 1);
    EXPECT_EQ(sharp.ditherMode(), 1);
}

std::vector<unsigned char> Bytes(std::initializer_list<unsigned> list) {
    std::vector<unsigned char> out;
    for (unsigned v : list) out.push_back(static_cast<unsigned char>(v));
    return out;
}

TEST(DescribeRecord, NamesEveryFS2Field) {
    const auto rec = Bytes({
        0x02, 0x07, 0x00, 0xFE, 0xE3, 0x99,              // halftone .. byte5
        0xAB, 0xC2, 0x03, 0xFF, 0x12, 0x34, 0x00, 0x01,  // grey
        0x00, 0x01, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00,  // red
        0x00, 0x13, 0x00, 0x10, 0x00, 0x00, 0x00, 0x20,  // blue
        0x00, 0x04, 0x01, 0x00, 0x00, 0x00, 0x01, 0x01,  // green
        0xDE, 0xAD,
    });
    const Described expected = {
        {"halftone", "2"},
        {"pattern", "7"},
        {"threshold", "254"},
        {"flags", "0xe3"},
        {"mediaChoice", "1"},
        {"transparent", "1"},
        {"together", "1"},
        {"flagsLow", "0x03"},
        {"byte5", "99"},
        {"grey.gammaType", "2"},
        {"grey.brightness", "1023"},
        {"grey.contrast", "1"},
        {"grey.raw", "abc203ff12340001"},
        {"red.gammaType", "1"},
        {"red.brightness", "512"},
        {"red.contrast", "512"},
        {"red.raw", "0001020000000200"},
        {"blue.gammaType", "3"},
        {"blue.brightness", "16"},
        {"blue.contrast", "32"},
        {"blue.raw", "0013001000000020"},
        {"green.gammaType", "4"},
        {"green.brightness", "256"},
        {"green.contrast", "257"},
        {"green.raw", "0004010000000101"},
        {"bytes38_39", "dead"},
    };
    EXPECT_EQ(records::DescribeRecord(Model::FS2, rec.data(), rec.size()), expected);
}

TEST(DescribeRecord, NamesEveryScanJetField) {
    auto rec = records::DefaultRecord(Model::ScanJet);
    records::putI32BE(&rec[0], -5);
    records::putI32BE(&rec[12], 42);
    records::putI32BE(&rec[24], 7);
    records::putI32BE(&rec[28], 3);
    rec[32] = 0xC5;
    rec[33] = 0x01;
    rec[35] = 0xFF;
    const Described expected = {
        {"intensity", "-5"},      {"intensityMin", "-127"}, {"intensityMax", "127"},
        {"contrast", "42"},       {"contrastMin", "-127"},  {"contrastMax", "127"},
        {"ditherOn", "7"},        {"ditherPattern", "3"},   {"tpaFlags", "0xc5"},
        {"tpaPresent", "1"},      {"tpaEnabled", "1"},      {"tpaDriverBits", "0x05"},
        {"bytes33_35", "0100ff"},
    };
    EXPECT_EQ(records::DescribeRecord(Model::ScanJet, rec.data(), rec.size()), expected);
}

TEST(DescribeRecord, NamesEverySharpField) {
    const auto rec =
        Bytes({0, 0, 0, 1, 0, 0, 0, 6, 0xFF, 0xFF, 0xFF, 0xFD, 0, 0, 0, 4, 0x00, 0x01, 0x00, 0x00});
    const Described expected = {
        {"reducedSet", "1"},   {"gammaCurve", "6"},     {"brightLevel", "-3"},
        {"edgeEmphasis", "4"}, {"ditherMode", "65536"},
    };
    EXPECT_EQ(records::DescribeRecord(Model::Sharp, rec.data(), rec.size()), expected);
}

TEST(DescribeRecord, ShortRecordGivesOnlyWholeFields) {
    const auto rec = records::DefaultRecord(Model::FS2);
    const Described four = records::DescribeRecord(Model::FS2, rec.data(), 4);
    const Described expected = {{"halftone", "0"}, {"pattern", "1"}, {"threshold", "128"}};
    EXPECT_EQ(four, expected);
    const Described three = records::DescribeRecord(Model::FS2, rec.data(), 3);
    EXPECT_EQ(three.size(), 2u);
    // A channel cut short keeps its whole leading fields and loses the rest.
    const Described cut = records::DescribeRecord(Model::FS2, rec.data(), 10);
    EXPECT_EQ(cut.back(), (std::pair<std::string, std::string>{"grey.brightness", "512"}));
    EXPECT_TRUE(records::DescribeRecord(Model::Sharp, rec.data(), 3).empty());
    EXPECT_TRUE(records::DescribeRecord(Model::ScanJet, nullptr, 36).empty());
    // Bytes beyond the record are not decoded.
    std::vector<unsigned char> longer(64, 0);
    EXPECT_EQ(records::DescribeRecord(Model::Sharp, longer.data(), longer.size()).size(), 5u);
}

}  // namespace
