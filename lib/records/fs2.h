// The Ricoh FS2 option record: 40 bytes in channel order.
//
//   0      halftone          1  pattern        2-3  threshold (u16)
//   4      flags: 0x80 mediaChoice, 0x40 transparent, 0x20 together
//   5      not interpreted
//   6-13   grey   GammaSettings    14-21 red    22-29 blue    30-37 green
//   38-39  not interpreted
//
// GammaSettings (8 bytes): gamma type in the low 4 bits of +1 (byte +0 and
// the high nibble of +1 not interpreted), brightness u16 at +2, +4..+5 not
// interpreted, contrast u16 at +6.
#ifndef SCAN_RECORDS_FS2_H
#define SCAN_RECORDS_FS2_H

#include <array>
#include <cstddef>
#include <cstring>

#include "records/byteorder.h"

namespace records {

// A view of one channel's 8 settings bytes inside an FS2 record.  Channels sit
// at offsets that are not multiples of four, so they move as byte copies.
class GammaSettings {
  public:
    static constexpr std::size_t kSize = 8;

    explicit GammaSettings(unsigned char* bytes) : bytes_(bytes) {}

    unsigned char* data() const { return bytes_; }

    unsigned gammaType() const { return bytes_[1] & 0x0F; }
    // Replaces the low 4 bits of byte +1; byte +0 and the high nibble stay.
    void setGammaType(unsigned type) const {
        bytes_[1] = static_cast<unsigned char>((bytes_[1] & 0xF0) | (type & 0x0F));
    }

    unsigned brightness() const { return getU16BE(bytes_ + 2); }
    void setBrightness(unsigned v) const { putU16BE(bytes_ + 2, v); }
    unsigned char* brightnessField() const { return bytes_ + 2; }

    unsigned contrast() const { return getU16BE(bytes_ + 6); }
    void setContrast(unsigned v) const { putU16BE(bytes_ + 6, v); }
    unsigned char* contrastField() const { return bytes_ + 6; }

    // All 8 bytes, the uninterpreted ones included.
    void copyFrom(const GammaSettings& other) const { std::memmove(bytes_, other.bytes_, kSize); }
    bool sameAs(const GammaSettings& other) const {
        return std::memcmp(bytes_, other.bytes_, kSize) == 0;
    }

  private:
    unsigned char* bytes_;
};

struct FS2Options {
    static constexpr std::size_t kSize = 40;
    static constexpr unsigned char kMediaChoice = 0x80;
    static constexpr unsigned char kTransparent = 0x40;
    static constexpr unsigned char kTogether = 0x20;

    std::array<unsigned char, kSize> bytes{};

    unsigned char* data() { return bytes.data(); }
    const unsigned char* data() const { return bytes.data(); }
    static constexpr std::size_t size() { return kSize; }

    unsigned halftone() const { return bytes[0]; }
    void setHalftone(unsigned v) { bytes[0] = static_cast<unsigned char>(v); }

    unsigned pattern() const { return bytes[1]; }
    void setPattern(unsigned v) { bytes[1] = static_cast<unsigned char>(v); }

    unsigned threshold() const { return getU16BE(&bytes[2]); }
    void setThreshold(unsigned v) { putU16BE(&bytes[2], v); }
    unsigned char* thresholdField() { return &bytes[2]; }

    unsigned flags() const { return bytes[4]; }
    bool mediaChoice() const { return bytes[4] & kMediaChoice; }
    bool transparent() const { return bytes[4] & kTransparent; }
    bool together() const { return bytes[4] & kTogether; }
    void setTransparent(bool on) { setFlag(kTransparent, on); }
    void setTogether(bool on) { setFlag(kTogether, on); }

    GammaSettings grey() { return GammaSettings(&bytes[6]); }
    GammaSettings red() { return GammaSettings(&bytes[14]); }
    GammaSettings blue() { return GammaSettings(&bytes[22]); }
    GammaSettings green() { return GammaSettings(&bytes[30]); }

  private:
    void setFlag(unsigned char mask, bool on) {
        bytes[4] = static_cast<unsigned char>(on ? (bytes[4] | mask) : (bytes[4] & ~mask));
    }
};

}  // namespace records

#endif
