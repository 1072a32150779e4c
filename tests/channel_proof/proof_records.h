// The bytes the channel proofs send, known to both the client process and
// the test that checks what arrived.
#ifndef TESTS_CHANNEL_PROOF_PROOF_RECORDS_H
#define TESTS_CHANNEL_PROOF_PROOF_RECORDS_H

#include <cstddef>
#include <vector>

namespace proof {

constexpr std::size_t kRecordSize = 40;  // an FS2 record

// count bytes of a pattern that repeats only every 251 bytes, so a lost,
// doubled or shifted block shows.
inline std::vector<unsigned char> PatternBytes(std::size_t count) {
    std::vector<unsigned char> out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<unsigned char>((i % 251) * 7 + 3);
    return out;
}

// The record of store number i: its number big-endian in the first four
// bytes, the rest derived from it, so every store is told apart.
inline std::vector<unsigned char> StoreRecord(long i) {
    std::vector<unsigned char> out(kRecordSize);
    for (std::size_t j = 0; j < 4; ++j) out[j] = static_cast<unsigned char>(i >> (24 - 8 * j));
    for (std::size_t j = 4; j < kRecordSize; ++j)
        out[j] = static_cast<unsigned char>(i * 37 + static_cast<long>(j) * 11);
    return out;
}

}  // namespace proof

#endif
