// The interpreter's array block, read and written in place. Header-only, so that the host that
// stands in for the interpreter lays out its arrays with the same code.
//
// A nested item slot holds a native pointer: 4 bytes on 32-bit targets, 8 on 64-bit ones. The
// data start at byte 8 + 4 * rank and are only 4-byte aligned, so slots and doubles are read
// and written with memcpy.
#pragma once

#include <cstdint>
#include <cstring>

#include "zrt32.h"

namespace zrt {

enum APLType : uint32_t {
    kChar = 0,
    kBool = 1,
    kInt8 = 2,
    kInt16 = 3,
    kInt32 = 4,
    kDouble = 5,
    kNested = 6,
};

// Owner classes: blocks the library may free.
constexpr uint32_t kOwnerNested = 7;
constexpr uint32_t kOwnerSimple = 15;

constexpr uint32_t kSlotBytes = sizeof(void*);

inline uint32_t rankOf(const APLArray* a) { return (a->descriptor >> 4) & 15u; }
inline uint32_t typeOf(const APLArray* a) { return (a->descriptor >> 8) & 15u; }
inline uint32_t ownerClassOf(const APLArray* a) { return a->descriptor & 15u; }

inline uint32_t* shapeOf(APLArray* a) { return reinterpret_cast<uint32_t*>(a + 1); }
inline const uint32_t* shapeOf(const APLArray* a) {
    return reinterpret_cast<const uint32_t*>(a + 1);
}

inline uint8_t* dataOf(APLArray* a) {
    return reinterpret_cast<uint8_t*>(a) + 8 + 4 * rankOf(a);
}
inline const uint8_t* dataOf(const APLArray* a) {
    return reinterpret_cast<const uint8_t*>(a) + 8 + 4 * rankOf(a);
}

// Product of the shape (1 for a scalar).
inline uint32_t cellCount(const APLArray* a) {
    uint32_t n = 1;
    for (uint32_t i = 0, r = rankOf(a); i < r; ++i) n *= shapeOf(a)[i];
    return n;
}
// The elements the data area holds: the cells, and for an empty nested array its prototype.
inline uint32_t storedCount(const APLArray* a) {
    uint32_t n = cellCount(a);
    return (n == 0 && typeOf(a) == kNested) ? 1 : n;
}

inline bool isSimpleNumeric(uint32_t type) { return type >= kBool && type <= kDouble; }

// Log2 of the element width in bits, as the sizing rule uses it; nested slots are native.
inline uint32_t log2BitsOf(uint32_t type) {
    switch (type) {
    case kChar: case kInt8: return 3;
    case kBool: return 0;
    case kInt16: return 4;
    case kInt32: return 5;
    case kDouble: return 6;
    case kNested: return sizeof(void*) == 8 ? 6 : 5;
    default: return 0;
    }
}
inline uint32_t bitsOf(uint32_t type) { return type <= kNested ? 1u << log2BitsOf(type) : 0; }

// Block size in words for an array of this type, rank and element count (the caller has
// checked that the size in bits fits 31 bits).
inline uint32_t blockWordsFor(uint32_t type, uint32_t rank, uint32_t n) {
    uint32_t dataWords = static_cast<uint32_t>((uint64_t(n) * bitsOf(type) + 31) / 32);
    if (type == kNested && n == 0) dataWords += kSlotBytes / 4;  // the prototype slot
    return dataWords + rank + 2;
}

// Writes the header and shape of a block of the given size; bits 12-15 of the descriptor and
// bytes 6-7 keep what they held.
inline void writeHeader(APLArray* a, uint32_t words, uint32_t type, uint32_t rank,
                        const uint32_t* shape, uint32_t ownerClass) {
    a->blockWords = words;
    a->descriptor = static_cast<uint16_t>((a->descriptor & 0xF000u) | (type << 8) | (rank << 4) |
                                          ownerClass);
    for (uint32_t i = 0; i < rank; ++i) shapeOf(a)[i] = shape[i];
}

inline APLArray* slotAt(const APLArray* a, uint32_t i) {
    APLArray* p;
    std::memcpy(&p, dataOf(a) + uint64_t(i) * kSlotBytes, sizeof p);
    return p;
}
inline void setSlot(APLArray* a, uint32_t i, APLArray* p) {
    std::memcpy(dataOf(a) + uint64_t(i) * kSlotBytes, &p, sizeof p);
}

inline bool bitAt(const uint8_t* bytes, uint64_t k) {
    return (bytes[k >> 3] >> (7 - (k & 7))) & 1;
}
inline void setBitAt(uint8_t* bytes, uint64_t k, bool v) {
    uint8_t mask = static_cast<uint8_t>(0x80u >> (k & 7));
    if (v) bytes[k >> 3] |= mask; else bytes[k >> 3] &= static_cast<uint8_t>(~mask);
}

inline double doubleAt(const uint8_t* p, uint64_t k) {
    double d;
    std::memcpy(&d, p + k * 8, 8);
    return d;
}
inline void setDoubleAt(uint8_t* p, uint64_t k, double d) { std::memcpy(p + k * 8, &d, 8); }

inline int32_t int32At(const uint8_t* p, uint64_t k) {
    int32_t v;
    std::memcpy(&v, p + k * 4, 4);
    return v;
}
inline void setInt32At(uint8_t* p, uint64_t k, int32_t v) { std::memcpy(p + k * 4, &v, 4); }

// Element k of a simple numeric array (APLType 1-5) as a double.
inline double numberAt(const APLArray* a, uint32_t k) {
    const uint8_t* d = dataOf(a);
    switch (typeOf(a)) {
    case kBool: return bitAt(d, k);
    case kInt8: return static_cast<int8_t>(d[k]);
    case kInt16: { int16_t v; std::memcpy(&v, d + 2 * uint64_t(k), 2); return v; }
    case kInt32: return int32At(d, k);
    case kDouble: return doubleAt(d, k);
    default: return 0;
    }
}

}  // namespace zrt
