// Big-endian integer fields inside byte records.  The option records cross
// the channel as the memory image of a big-endian host; these are the only
// places that convert.
#ifndef SCAN_RECORDS_BYTEORDER_H
#define SCAN_RECORDS_BYTEORDER_H

#include <cstdint>

namespace records {

inline unsigned getU16BE(const unsigned char* p) {
    return (unsigned(p[0]) << 8) | p[1];
}

inline void putU16BE(unsigned char* p, unsigned v) {
    p[0] = static_cast<unsigned char>(v >> 8);
    p[1] = static_cast<unsigned char>(v);
}

inline std::uint32_t getU32BE(const unsigned char* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
           std::uint32_t(p[3]);
}

inline void putU32BE(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// Two's complement 32-bit fields.
inline std::int32_t getI32BE(const unsigned char* p) {
    return static_cast<std::int32_t>(getU32BE(p));
}

inline void putI32BE(unsigned char* p, std::int32_t v) {
    putU32BE(p, static_cast<std::uint32_t>(v));
}

}  // namespace records

#endif
