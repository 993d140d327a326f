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

#include <cmath>
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

// Whether storing given over a stored double changes the cell: they differ by more than 1e-14
// of the stored value's magnitude, so a stored 0 changes for any other value and a NaN on
// either side always counts as a change. (Named doubles: each is rounded to double, so both
// builds compare the same numbers.)
inline bool CellChanges(double stored, double given) {
    double limit = std::fabs(stored) * 1e-14;
    double change = std::fabs(stored - given);
    return !(limit >= change);
}

// 1 when given leaves the stored cell as it is, else 0. Loops sum it to count a block's
// unchanged cells: the comparison becomes 1.0 or 0.0 and then an integer, because GCC
// vectorises that sum and not a sum of the comparisons themselves.
inline int64_t CellStays(double stored, double given) {
    return static_cast<int64_t>(CellChanges(stored, given) ? 0.0 : 1.0);
}

inline uint8_t LoadBit(const uint8_t* data, uint32_t cell) {
    return (data[cell >> 3] >> (7 - (cell & 7))) & 1;
}
inline void StoreBit(uint8_t* data, uint32_t cell, uint8_t set) {
    uint8_t mask = static_cast<uint8_t>(0x80u >> (cell & 7));
    if (set) data[cell >> 3] |= mask;
    else data[cell >> 3] &= static_cast<uint8_t>(~mask);
}

}  // namespace zrt
