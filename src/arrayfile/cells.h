// Cell routines: how one cell of an item or a buffer is read into, or written from, an 8-byte
// value location.
//
// A double cell is an IEEE 754 binary64 value, 8 bytes at 8 x cell. A bit cell k is bit
// 7 - (k mod 8) of byte k / 8; reading it stores 0x80 (set) or 0x00 (clear) in the first byte
// of the value location and leaves the other seven alone; writing sets the bit when that first
// byte, read as a signed byte, is negative, and clears it otherwise.
//
// Every item carries four routines chosen from its flags: get and put, and for file items the
// open and close of the access block through which its data are reached (access_block.h).
// Memory routines ignore the access block; file routines use it.
#pragma once

#include <cstdint>
#include <cstring>

#include "frame/codes.h"

namespace zrt {

struct AccessBlock;
struct ItemObject;

using CellGet = void (*)(uint8_t* data, uint32_t cell, uint8_t* value, AccessBlock* access);
using CellPut = void (*)(uint8_t* data, uint32_t cell, const uint8_t* value,
                         AccessBlock* access);
// Opens the access block of a file item for one walk; destination is not 0 when the walk
// writes. The block's item data replace the data pointer of the walk.
using OpenAccess = Code (*)(uint16_t destination, ItemObject& item, AccessBlock*& out);
// Closes a block that open access made; null does nothing.
using CloseAccess = void (*)(AccessBlock* block);

struct CellRoutines {
    CellGet get = nullptr;
    CellPut put = nullptr;
    OpenAccess openAccess = nullptr;
    CloseAccess closeAccess = nullptr;
};

// The routines of an item with these flags: memory or file residency, bit or double cells;
// none at all for any other combination.
CellRoutines RoutinesForFlags(uint32_t flags);

// The routines of a flat buffer of the cell type (1 bit, 8 double); none for another type.
CellRoutines BufferRoutines(uint32_t cellType);

// A constant's get does nothing: its value field already holds the constant.
void GetNothing(uint8_t* data, uint32_t cell, uint8_t* value, AccessBlock* access);

// The value location as a number, and back.
inline double ValueNumber(const uint8_t* value) {
    double d;
    std::memcpy(&d, value, 8);
    return d;
}
inline void SetValueNumber(uint8_t* value, double d) { std::memcpy(value, &d, 8); }

// Cell routines on plain bytes, shared by memory items, buffers and mapped file data.
inline void GetBitCell(uint8_t* data, uint32_t cell, uint8_t* value, AccessBlock*) {
    value[0] = (data[cell >> 3] & (0x80u >> (cell & 7))) ? 0x80 : 0x00;
}
inline void PutBitCell(uint8_t* data, uint32_t cell, const uint8_t* value, AccessBlock*) {
    uint8_t mask = static_cast<uint8_t>(0x80u >> (cell & 7));
    if (static_cast<int8_t>(value[0]) < 0) data[cell >> 3] |= mask;
    else data[cell >> 3] &= static_cast<uint8_t>(~mask);
}
inline void GetDoubleCell(uint8_t* data, uint32_t cell, uint8_t* value, AccessBlock*) {
    std::memcpy(value, data + uint64_t(cell) * 8, 8);
}
inline void PutDoubleCell(uint8_t* data, uint32_t cell, const uint8_t* value, AccessBlock*) {
    std::memcpy(data + uint64_t(cell) * 8, value, 8);
}

}  // namespace zrt
