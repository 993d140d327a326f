// SCAR files: an identifier, a version, for version "01" a CRC-32 and the size of what follows,
// then a SCAR buffer.
//
//   bytes 0-13   "QUIRVEX 00 00 "
//   bytes 14-15  "00" or "01"
//   bytes 16-19  version "01": CRC-32 of the SCAR buffer, little-endian
//   bytes 20-23  version "01": size of the SCAR buffer, little-endian
//   then         the SCAR buffer, to the end of the file
//
// A file is written under a temporary name and then put in place of the old one, so that no
// reader sees half a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "frame/codes.h"
#include "platform/platform.h"

namespace zrt {

extern const char kScarFileId[14];

struct RootObject;

// Megabytes that the arrays of one decoded SCAR file may take together, unless set.
constexpr uint32_t kDefaultScarReadLimit = 1024;

// The settings of SCAR files, read by Init.
struct ScarSettings {
    uint32_t version = 0;                        // Main DLLScarVersion: 1 writes version "01"
    uint32_t readLimit = kDefaultScarReadLimit;  // MEMORY ScarReadLimit; 0: no limit
};
void ReadScarSettings(RootObject& root);

// The target with everything from its last "." removed, then ".NEW"; ".NEW" alone (in the
// current directory) when the name has no "." after its first character. kFileError when the
// result would not fit the 256-byte name buffer of the format's first writers.
[[nodiscard]] Code TemporaryScarName(const std::string& target, std::string& out);

// One write of count bytes with up to three attempts, two seconds apart; 10103 when it stays
// short. (A SCAR buffer is smaller than 4 GB: its size field and offsets are 32-bit.)
[[nodiscard]] Code RetryHWrite(platform::File& file, const void* bytes, uint32_t count);

}  // namespace zrt
