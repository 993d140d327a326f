// Cells: how the cells of an item or a flat buffer lie in memory, and how a block of them is
// held while a walk works on it.
//
// A double cell is an IEEE 754 binary64 value, 8 bytes at 8 x cell, little-endian, not
// necessarily 8-byte aligned (an array file's data area follows its records without padding).
// A bit cell k is bit 7 - (k mod 8) of byte k / 8.
//
// In a block (walk.h) a double cell takes 8 bytes and a bit cell one byte, 1 when set and 0
// when clear; blocks are what the operator kernels read and write.
#pragma once

#include <cstdint>
#include <cstring>

#include "arrayfile/item_flags.h"

namespace zrt {

// The bytes one cell takes in a block.
inline uint32_t BlockCellBytes(uint32_t cellType) { return cellType == kBitCellType ? 1 : 8; }

inline double LoadDouble(const uint8_t* at) {
    double d;
    std::memcpy(&d, at, 8);
    return d;
}
inline void StoreDouble(uint8_t* at, double d) { std::memcpy(at, &d, 8); }

inline uint8_t LoadBit(const uint8_t* data, uint32_t cell) {
    return (data[cell >> 3] >> (7 - (cell & 7))) & 1;
}
inline void StoreBit(uint8_t* data, uint32_t cell, uint8_t set) {
    uint8_t mask = static_cast<uint8_t>(0x80u >> (cell & 7));
    if (set) data[cell >> 3] |= mask;
    else data[cell >> 3] &= static_cast<uint8_t>(~mask);
}

}  // namespace zrt
