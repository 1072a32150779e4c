// The HP ScanJet (SCL) option record: 36 bytes in channel order, nine 32-bit
// big-endian words.
//
//   0 intensity  4 intensityMin  8 intensityMax  12 contrast  16 contrastMin
//   20 contrastMax  24 ditherOn  28 ditherPattern
//   32 tpaFlags: 0x80 tpaPresent, 0x40 tpaEnabled, 0x3f the driver's own
//   33-35 the driver's own
#ifndef SCAN_RECORDS_SCANJET_H
#define SCAN_RECORDS_SCANJET_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "records/byteorder.h"

namespace records {

struct SjOptions {
    static constexpr std::size_t kSize = 36;
    static constexpr unsigned char kTpaPresent = 0x80;
    static constexpr unsigned char kTpaEnabled = 0x40;

    enum Field : std::size_t {
        kIntensity = 0,
        kIntensityMin = 4,
        kIntensityMax = 8,
        kContrast = 12,
        kContrastMin = 16,
        kContrastMax = 20,
        kDitherOn = 24,
        kDitherPattern = 28,
    };

    std::array<unsigned char, kSize> bytes{};

    unsigned char* data() { return bytes.data(); }
    const unsigned char* data() const { return bytes.data(); }
    static constexpr std::size_t size() { return kSize; }

    std::int32_t get(Field f) const { return getI32BE(&bytes[f]); }
    void set(Field f, std::int32_t v) { putI32BE(&bytes[f], v); }

    std::int32_t intensity() const { return get(kIntensity); }
    std::int32_t intensityMin() const { return get(kIntensityMin); }
    std::int32_t intensityMax() const { return get(kIntensityMax); }
    std::int32_t contrast() const { return get(kContrast); }
    std::int32_t contrastMin() const { return get(kContrastMin); }
    std::int32_t contrastMax() const { return get(kContrastMax); }
    std::int32_t ditherOn() const { return get(kDitherOn); }
    std::int32_t ditherPattern() const { return get(kDitherPattern); }
    void setIntensity(std::int32_t v) { set(kIntensity, v); }
    void setContrast(std::int32_t v) { set(kContrast, v); }
    void setDitherOn(std::int32_t v) { set(kDitherOn, v); }
    void setDitherPattern(std::int32_t v) { set(kDitherPattern, v); }

    unsigned tpaFlags() const { return bytes[32]; }
    bool tpaPresent() const { return bytes[32] & kTpaPresent; }
    bool tpaEnabled() const { return bytes[32] & kTpaEnabled; }
    // Writes bit 0x40 of byte 32 alone.
    void setTpaEnabled(bool on) {
        bytes[32] =
            static_cast<unsigned char>(on ? (bytes[32] | kTpaEnabled) : (bytes[32] & ~kTpaEnabled));
    }
};

}  // namespace records

#endif
