// CRC-32 of ISO-HDLC (zlib's and the ZIP format's): reflected polynomial 0xEDB88320.
//
// The routine only advances a running CRC: callers start with 0xFFFFFFFF, run it over the data
// in one or several pieces, and invert the final value; 123456789 then gives 0xCBF43926.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrt {

uint32_t Crc32Update(const void* data, size_t count, uint32_t crc);

// The two ways Crc32Update computes it, one chosen once at run time, both with its values: by
// tables (slicing by 8) on every processor, and by carry-less multiplication folding where the
// processor has that instruction (nullptr elsewhere).
using Crc32Routine = uint32_t (*)(const void* data, size_t count, uint32_t crc);
uint32_t Crc32UpdateByTables(const void* data, size_t count, uint32_t crc);
Crc32Routine Crc32FoldingRoutine();

// The standard CRC-32 of one buffer: start, run, invert.
inline uint32_t Crc32Of(const void* data, size_t count) {
    return ~Crc32Update(data, count, 0xFFFFFFFFu);
}

}  // namespace zrt
