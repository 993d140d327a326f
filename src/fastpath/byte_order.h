// Explicit little-endian fields and byte reversal for the fast path's flat formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace zrt {

inline uint32_t load32le(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint16_t load16le(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

inline void store32le(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

// Reverses the bytes of one field of the given width.
inline void reverseBytes(uint8_t* p, size_t width) {
    for (size_t i = 0, j = width - 1; i < j; ++i, --j) std::swap(p[i], p[j]);
}

// Reverses each of count fields of the given width lying one after the other.
inline void reverseEach(uint8_t* p, uint64_t count, size_t width) {
    for (uint64_t k = 0; k < count; ++k, p += width) reverseBytes(p, width);
}

}  // namespace zrt
