// The file layer of array files: writing a new file, reading one into an array file object,
// moving single records, and writing a copy of a file with its dimensions reordered. Every
// routine works through the object's open handle (ArrayFileObject::file) and returns 0 or the
// first failure's code: 10039 for a failed or short transfer and for anything read that does
// not fit the file (a damaged file is never read outside itself), 10012 out of memory.
//
// Failed transfers are logged under the record category at level 3, with the routine's message
// and the system error.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "arrayfile/file_format.h"
#include "frame/array.h"
#include "frame/codes.h"
#include "platform/platform.h"

namespace zrt {

struct ArrayFileObject;

// A new file, complete in memory before anything is written: its header block and the bytes
// from the file NLD record to the end of the item records, in file order.
struct FilePlan {
    struct Piece {
        std::vector<uint8_t> bytes;
        bool record = false;  // written by WriteNLD as one record
    };
    std::unique_ptr<HeaderBlock> header;
    std::vector<Piece> pieces;
    uint32_t dataStart = 0;   // where the data area begins
    uint64_t dataBytes = 0;   // the data area, zeroed
};

// Plans the file for the object's structure and items (its children of kind 4, in order),
// with the file NLD record from item 0 of fileDescriptor and one dimension NLD record per
// dimension from dimDescriptors. Nothing is written, so a bad descriptor (10004, 10001), an
// item name longer than 184 characters or a file beyond 4 GB (10001) leaves the disk alone.
[[nodiscard]] Code PlanFileCreate(ArrayFileObject& file, const APLArray* fileDescriptor,
                    const APLArray* dimDescriptors, FilePlan& plan);

// Writes the planned file through the object's open handle: the records, the data area in
// zeroed pieces of 4096 bytes, and the header last. On success the object holds the header
// block and each item its index.
[[nodiscard]] Code FileCreate(ArrayFileObject& file, FilePlan& plan);

// Reads and checks the header and attaches it to the object.
[[nodiscard]] Code ReadHeader(ArrayFileObject& file);

// Reads the header, the dimension lists into the object's structure (every dimension of mode
// all, lookup tables with a slack of 100) and the item records into one item per record (flags
// from the record with the file residency, item index in file order). Refused with 10039: a
// header, list, record or item data outside the file, a record length below 16 or above 200,
// more than 65535 items, more than 2^32 - 1 cells, an item "Data" of neither cell kind.
[[nodiscard]] Code FileOpen(ArrayFileObject& file);

// One length-prefixed record at the file's current position into buffer (capacity at least
// 4): the length, then the rest. A length below 16, above 200 or above the capacity: 10039.
[[nodiscard]] Code ReadNLD(platform::File& f, uint8_t* buffer, uint32_t capacity, uint32_t& length);
// length bytes of buffer at the current position.
[[nodiscard]] Code WriteNLD(platform::File& f, const uint8_t* buffer, uint32_t length);

// Writes into the target's open handle a new file whose dimension i is the source's dimension
// order[i], with the source's file NLD record, dimension NLD records (in the new order) and
// item records, the ids from the source's structure in memory, and a zeroed data area; the
// target gets its header block. 10001 when an order entry names no source dimension.
[[nodiscard]] Code FileCopyStruct(ArrayFileObject& source, ArrayFileObject& target, const uint32_t* order);

}  // namespace zrt
