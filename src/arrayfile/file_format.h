// The byte layout of an array file. All integers are 32-bit little-endian; nothing is aligned,
// regions follow each other byte for byte:
//
//   header            8 + 8 x (nD + nI)   nD, nI, then four tables of offsets:
//                                         DimRecOffset[nD], DimListOffset[nD],
//                                         ItemRecOffset[nI], ItemDataOffset[nI]
//   file NLD record   47                  right behind the header (no table entry)
//   dimension NLDs    47 each             in dimension order
//   dimension lists   4 + 4 x size each   size, then the element ids in position order
//   item records      16 + name length    length, 0, flags, name NUL, 3 spare zero bytes
//   data area         per item            doubles 8 x cells, bits (cells + 7) / 8, no gaps
//
// An NLD record is: length (47), two numbers, a 32-byte NUL-padded name (at most 31
// characters), 3 spare zero bytes. The file has no signature or checksum: its shape is given
// by the two counts at offset 0 alone, so everything read from a file is checked against the
// file's size before it is used.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/array.h"
#include "frame/codes.h"

namespace zrt {

constexpr uint32_t kNldRecordSize = 47;
constexpr uint32_t kNldNameSize = 32;
constexpr uint32_t kItemRecordFixed = 16;   // an item record without its name
constexpr uint32_t kRecordCapacity = 200;   // records are read into a buffer of this size
constexpr uint32_t kMaxItemName = kRecordCapacity - kItemRecordFixed;
constexpr uint32_t kZeroPiece = 4096;       // the data area is zeroed in pieces of this size

inline uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void StoreLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline void AppendLE32(std::vector<uint8_t>& out, uint32_t v) {
    for (int k = 0; k < 4; ++k) out.push_back(uint8_t(v >> (8 * k)));
}

// The header of an open array file, as read from it or written to it: the two counts and the
// four offset tables in the order of the file.
struct HeaderBlock {
    HeaderBlock(uint32_t dims, uint32_t items)
        : nD(dims), nI(items), tables(2 * size_t(dims) + 2 * size_t(items), 0) {}

    // Bytes of the header in the file; the file NLD record starts there.
    static uint64_t SizeFor(uint64_t dims, uint64_t items) { return 8 + 8 * (dims + items); }
    uint32_t size() const { return static_cast<uint32_t>(SizeFor(nD, nI)); }
    uint32_t fileRecordOffset() const { return size(); }

    uint32_t& dimRecOffset(uint32_t i) { return tables[i]; }
    uint32_t& dimListOffset(uint32_t i) { return tables[nD + size_t(i)]; }
    uint32_t& itemRecOffset(uint32_t j) { return tables[2 * size_t(nD) + j]; }
    uint32_t& itemDataOffset(uint32_t j) { return tables[2 * size_t(nD) + nI + j]; }
    uint32_t dimRecOffset(uint32_t i) const { return tables[i]; }
    uint32_t dimListOffset(uint32_t i) const { return tables[nD + size_t(i)]; }
    uint32_t itemRecOffset(uint32_t j) const { return tables[2 * size_t(nD) + j]; }
    uint32_t itemDataOffset(uint32_t j) const { return tables[2 * size_t(nD) + nI + j]; }

    // The header as it stands in the file.
    std::vector<uint8_t> encode() const;
    // The tables from the header's bytes (counts included, as read from offset 0).
    void decode(const uint8_t* image);

    uint32_t nD, nI;
    std::vector<uint32_t> tables;
};

// An NLD record from item index of a nested vector of (name, number, number) triples.
// 10004 when the vector or the item is not nested, 10001 when the item does not hold three
// items or the name is longer than 31 characters, the accessors' codes for the numbers.
[[nodiscard]] Code BuildNldRecord(const APLArray* descriptors, uint32_t index, uint8_t (&record)[kNldRecordSize]);

// The record of an item: length 16 + name length, 0, flags, name, NUL, three zero bytes.
std::vector<uint8_t> ItemRecord(uint32_t flags, const std::string& name);

// The fields of an item record that was read whole (length checked by the reader).
uint32_t ItemRecordFlags(const uint8_t* record);
std::string ItemRecordName(const uint8_t* record, uint32_t length);

}  // namespace zrt
