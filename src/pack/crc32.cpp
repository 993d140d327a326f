#include "pack/crc32.h"

#include <array>

#include "zrt32.h"

namespace zrt {

namespace {

// Table k advances the CRC over a byte followed by k zero bytes, so that eight bytes are taken
// at a time ("slicing by 8"); table 0 is the classic one-byte table (entry 1 is 0x77073096).
using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int step = 0; step < 8; ++step) c = (c >> 1) ^ ((c & 1) ? 0xEDB88320u : 0);
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (int k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr Tables tables = makeTables();

inline uint32_t loadLittle32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

uint32_t Crc32Update(const void* data, size_t count, uint32_t crc) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (; count >= 8; count -= 8, p += 8) {
        uint32_t lo = loadLittle32(p) ^ crc, hi = loadLittle32(p + 4);
        crc = tables[7][lo & 0xFF] ^ tables[6][(lo >> 8) & 0xFF] ^ tables[5][(lo >> 16) & 0xFF] ^
              tables[4][lo >> 24] ^ tables[3][hi & 0xFF] ^ tables[2][(hi >> 8) & 0xFF] ^
              tables[1][(hi >> 16) & 0xFF] ^ tables[0][hi >> 24];
    }
    for (; count > 0; --count, ++p) crc = tables[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return crc;
}

}  // namespace zrt

// CalculateCRC32: the running routine itself, for APL code's own buffers.
extern "C" ZRT_PUBLIC uint32_t ZRT_API CalculateCRC32(const void* data, uint32_t count,
                                                      uint32_t crc) {
    if (!data) return crc;
    return zrt::Crc32Update(data, count, crc);
}
