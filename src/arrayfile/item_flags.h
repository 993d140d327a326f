// The item flags word: the cell kind of an item and where its data live. The same word is
// stored in the item records of an array file.
#pragma once

#include <cstdint>

namespace zrt {

enum : uint32_t {
    kBitCells = 0x00000001,
    kDoubleCells = 0x00000008,
    kCellKindMask = 0x00000009,   // 1 bit cells, 8 double cells; 0 and 9 are no cells at all
    kInMemory = 0x20000000,       // memory items: a buffer of their own
    kInBlocks = 0x40000000,       // data held as a chain of blocks (never made here)
    kInFile = 0x80000000,         // file items: the data area of the array file
    kResidencyMask = 0xE0000000,
};

// Cell type codes, as flat buffers and constants name them too.
enum : uint32_t { kBitCellType = 1, kDoubleCellType = 8 };

inline uint32_t CellKindOf(uint32_t flags) { return flags & kCellKindMask; }
inline bool HasCells(uint32_t flags) {
    return CellKindOf(flags) == kBitCells || CellKindOf(flags) == kDoubleCells;
}

// The cell type of an item's cells (kBitCellType or kDoubleCellType), or 0 when it has none.
inline uint32_t CellTypeOf(uint32_t flags) { return HasCells(flags) ? CellKindOf(flags) : 0; }

// Whether a walk can reach the item's cells: bit or double cells, in memory or in a file.
inline bool Walkable(uint32_t flags) {
    uint32_t residency = flags & kResidencyMask;
    return HasCells(flags) && (residency == kInMemory || residency == kInFile);
}

// Bytes of an item's data in an array file: one bit or 8 bytes per cell; no cells, no data.
inline uint64_t FileDataSize(uint32_t flags, uint32_t cells) {
    switch (CellKindOf(flags)) {
    case kBitCells: return (uint64_t(cells) + 7) / 8;
    case kDoubleCells: return uint64_t(cells) * 8;
    default: return 0;
    }
}

// Bytes of a memory item's buffer: bit cells in whole 32-bit words, doubles 8 bytes each.
inline uint64_t MemoryBufferSize(uint32_t flags, uint32_t cells) {
    switch (CellKindOf(flags)) {
    case kBitCells: return (uint64_t(cells) + 31) / 32 * 4;
    case kDoubleCells: return uint64_t(cells) * 8;
    default: return 0;
    }
}

}  // namespace zrt
