// The three scanner models as a whole: sizes, names, default records and the
// field-by-field decoder used by scanhost's trace and --show.
#include "records/models.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "records/byteorder.h"
#include "records/fs2.h"
#include "records/scanjet.h"
#include "records/sharp.h"

namespace records {

std::string Hex(const unsigned char* p, std::size_t n) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        out += kDigits[p[i] >> 4];
        out += kDigits[p[i] & 0x0F];
    }
    return out;
}

namespace {

struct ModelInfo {
    Model model;
    const char* name;
    const char* program;
    std::size_t size;
};

constexpr ModelInfo kModels[] = {
    {Model::FS2, "fs2", "amberpane", FS2Options::kSize},
    {Model::ScanJet, "scanjet", "cobaltpane", SjOptions::kSize},
    {Model::Sharp, "sharp", "indigopane", SharpOptions::kSize},
};

const ModelInfo& Info(Model model) {
    for (const ModelInfo& info : kModels) {
        if (info.model == model)
            return info;
    }
    return kModels[0];  // unreachable: every enumerator has a row
}

std::string HexByte(unsigned v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02x", v & 0xFFu);
    return buf;
}

// Collects fields in record order, keeping only those that lie wholly inside
// the bytes the caller has.
class Fields {
  public:
    Fields(const unsigned char* bytes, std::size_t length) : bytes_(bytes), length_(length) {}

    bool Has(std::size_t offset, std::size_t width) const { return offset + width <= length_; }

    void Add(std::size_t offset, std::size_t width, std::string name, std::string value) {
        if (Has(offset, width))
            out_.emplace_back(std::move(name), std::move(value));
    }
    void AddNumber(std::size_t offset, std::size_t width, std::string name, long long value) {
        Add(offset, width, std::move(name), std::to_string(value));
    }
    void AddRaw(std::size_t offset, std::size_t width, std::string name) {
        if (Has(offset, width))
            out_.emplace_back(std::move(name), Hex(bytes_ + offset, width));
    }

    std::vector<std::pair<std::string, std::string>> Take() { return std::move(out_); }

  private:
    const unsigned char* bytes_;
    std::size_t length_;
    std::vector<std::pair<std::string, std::string>> out_;
};

// Copies what the caller has into a zeroed record of the model's size, so the
// accessors can run; Fields drops whatever lies beyond the real bytes.
template <typename Record>
Record Padded(const unsigned char* bytes, std::size_t length) {
    Record rec;
    if (bytes != nullptr)
        std::memcpy(rec.data(), bytes, std::min(length, Record::kSize));
    return rec;
}

void DescribeFS2(Fields& f, const unsigned char* bytes, std::size_t length) {
    FS2Options rec = Padded<FS2Options>(bytes, length);
    f.AddNumber(0, 1, "halftone", rec.halftone());
    f.AddNumber(1, 1, "pattern", rec.pattern());
    f.AddNumber(2, 2, "threshold", rec.threshold());
    f.Add(4, 1, "flags", HexByte(rec.flags()));
    f.AddNumber(4, 1, "mediaChoice", rec.mediaChoice());
    f.AddNumber(4, 1, "transparent", rec.transparent());
    f.AddNumber(4, 1, "together", rec.together());
    f.Add(4, 1, "flagsLow", HexByte(rec.flags() & 0x1F));
    f.AddRaw(5, 1, "byte5");
    const struct {
        const char* name;
        std::size_t offset;
        GammaSettings settings;
    } channels[] = {
        {"grey", 6, rec.grey()},
        {"red", 14, rec.red()},
        {"blue", 22, rec.blue()},
        {"green", 30, rec.green()},
    };
    for (const auto& ch : channels) {
        const std::string prefix = std::string(ch.name) + ".";
        f.AddNumber(ch.offset, 2, prefix + "gammaType", ch.settings.gammaType());
        f.AddNumber(ch.offset + 2, 2, prefix + "brightness", ch.settings.brightness());
        f.AddNumber(ch.offset + 6, 2, prefix + "contrast", ch.settings.contrast());
        f.AddRaw(ch.offset, GammaSettings::kSize, prefix + "raw");
    }
    f.AddRaw(38, 2, "bytes38_39");
}

void DescribeScanJet(Fields& f, const unsigned char* bytes, std::size_t length) {
    SjOptions rec = Padded<SjOptions>(bytes, length);
    const struct {
        const char* name;
        SjOptions::Field field;
    } words[] = {
        {"intensity", SjOptions::kIntensity},       {"intensityMin", SjOptions::kIntensityMin},
        {"intensityMax", SjOptions::kIntensityMax}, {"contrast", SjOptions::kContrast},
        {"contrastMin", SjOptions::kContrastMin},   {"contrastMax", SjOptions::kContrastMax},
        {"ditherOn", SjOptions::kDitherOn},         {"ditherPattern", SjOptions::kDitherPattern},
    };
    for (const auto& w : words) f.AddNumber(w.field, 4, w.name, rec.get(w.field));
    f.Add(32, 1, "tpaFlags", HexByte(rec.tpaFlags()));
    f.AddNumber(32, 1, "tpaPresent", rec.tpaPresent());
    f.AddNumber(32, 1, "tpaEnabled", rec.tpaEnabled());
    f.Add(32, 1, "tpaDriverBits", HexByte(rec.tpaFlags() & 0x3F));
    f.AddRaw(33, 3, "bytes33_35");
}

void DescribeSharp(Fields& f, const unsigned char* bytes, std::size_t length) {
    SharpOptions rec = Padded<SharpOptions>(bytes, length);
    const struct {
        const char* name;
        SharpOptions::Field field;
    } words[] = {
        {"reducedSet", SharpOptions::kReducedSet},   {"gammaCurve", SharpOptions::kGammaCurve},
        {"brightLevel", SharpOptions::kBrightLevel}, {"edgeEmphasis", SharpOptions::kEdgeEmphasis},
        {"ditherMode", SharpOptions::kDitherMode},
    };
    for (const auto& w : words) f.AddNumber(w.field, 4, w.name, rec.get(w.field));
}

}  // namespace

std::size_t RecordSize(Model model) {
    return Info(model).size;
}

const char* ModelName(Model model) {
    return Info(model).name;
}

std::optional<Model> ParseModel(const std::string& name) {
    for (const ModelInfo& info : kModels) {
        if (name == info.name)
            return info.model;
    }
    return std::nullopt;
}

std::optional<Model> ModelForProgram(const std::string& program) {
    const std::size_t slash = program.rfind('/');
    const std::string base = slash == std::string::npos ? program : program.substr(slash + 1);
    for (const ModelInfo& info : kModels) {
        if (base == info.program)
            return info.model;
    }
    return std::nullopt;
}

std::vector<unsigned char> DefaultRecord(Model model) {
    switch (model) {
        case Model::FS2: {
            FS2Options rec;
            rec.setHalftone(0);
            rec.setPattern(1);
            rec.setThreshold(128);
            rec.bytes[4] = FS2Options::kMediaChoice | FS2Options::kTogether;
            for (GammaSettings ch : {rec.grey(), rec.red(), rec.blue(), rec.green()}) {
                ch.setGammaType(0);
                ch.setBrightness(512);
                ch.setContrast(512);
            }
            return {rec.bytes.begin(), rec.bytes.end()};
        }
        case Model::ScanJet: {
            SjOptions rec;
            rec.set(SjOptions::kIntensity, 0);
            rec.set(SjOptions::kIntensityMin, -127);
            rec.set(SjOptions::kIntensityMax, 127);
            rec.set(SjOptions::kContrast, 0);
            rec.set(SjOptions::kContrastMin, -127);
            rec.set(SjOptions::kContrastMax, 127);
            rec.setDitherOn(0);
            rec.setDitherPattern(0);
            rec.bytes[32] = SjOptions::kTpaPresent;
            return {rec.bytes.begin(), rec.bytes.end()};
        }
        case Model::Sharp: {
            SharpOptions rec;
            rec.set(SharpOptions::kReducedSet, 0);
            rec.setGammaCurve(1);
            rec.setBrightLevel(0);
            rec.setEdgeEmphasis(1);
            rec.setDitherMode(1);
            return {rec.bytes.begin(), rec.bytes.end()};
        }
    }
    return {};
}

std::vector<std::pair<std::string, std::string>> DescribeRecord(Model model,
                                                                const unsigned char* bytes,
                                                                std::size_t length) {
    if (bytes == nullptr)
        length = 0;
    Fields fields(bytes, length);
    switch (model) {
        case Model::FS2:
            DescribeFS2(fields, bytes, length);
            break;
        case Model::ScanJet:
            DescribeScanJet(fields, bytes, length);
            break;
        case Model::Sharp:
            DescribeSharp(fields, bytes, length);
            break;
    }
    return fields.Take();
}

}  // namespace records
