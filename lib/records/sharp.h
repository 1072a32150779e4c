// The Sharp option record: 20 bytes in channel order, five 32-bit big-endian
// integers: reducedSet, gammaCurve, brightLevel, edgeEmphasis, ditherMode.
#ifndef SCAN_RECORDS_SHARP_H
#define SCAN_RECORDS_SHARP_H

#include <array>
#include <cstddef>
#include <cstdint>

#include "records/byteorder.h"

namespace records {

struct SharpOptions {
    static constexpr std::size_t kSize = 20;

    enum Field : std::size_t {
        kReducedSet = 0,
        kGammaCurve = 4,
        kBrightLevel = 8,
        kEdgeEmphasis = 12,
        kDitherMode = 16,
    };

    std::array<unsigned char, kSize> bytes{};

    unsigned char* data() { return bytes.data(); }
    const unsigned char* data() const { return bytes.data(); }
    static constexpr std::size_t size() { return kSize; }

    std::int32_t get(Field f) const { return getI32BE(&bytes[f]); }
    void set(Field f, std::int32_t v) { putI32BE(&bytes[f], v); }

    std::int32_t reducedSet() const { return get(kReducedSet); }
    std::int32_t gammaCurve() const { return get(kGammaCurve); }
    std::int32_t brightLevel() const { return get(kBrightLevel); }
    std::int32_t edgeEmphasis() const { return get(kEdgeEmphasis); }
    std::int32_t ditherMode() const { return get(kDitherMode); }
    void setGammaCurve(std::int32_t v) { set(kGammaCurve, v); }
    void setBrightLevel(std::int32_t v) { set(kBrightLevel, v); }
    void setEdgeEmphasis(std::int32_t v) { set(kEdgeEmphasis, v); }
    void setDitherMode(std::int32_t v) { set(kDitherMode, v); }
};

}  // namespace records

#endif
