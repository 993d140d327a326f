// The diagnostic log: lines appended to "aplsrv.log" in the current directory, each opened,
// written and closed at once, each starting with the 24-character local time.
//
// Most lines are conditional: callers test LogEnabled with their category and level before they
// build any text. The debug mask holds the level in bits 0-3 and the categories above.
#pragma once

#include <cstdint>

#include "zrt32.h"

namespace zrt {

// Categories of conditional lines.
enum : uint32_t {
    kLogLocking = 0x10000,     // users file, lock files, named-unit locks
    kLogScarFiles = 0x20000,   // writing SCAR files
    kLogRegistry = 0x30000,    // registry reads
    kLogArrayFiles = 0x40000,  // creating, opening, renaming, removing, transposing array files
    kLogAccess = 0x50000,      // access blocks of array files
    kLogRecords = 0x80000,     // record input and output of array files
    kLogScar = 0x80,           // SCAR encoding and decoding
};

bool LogEnabled(uint32_t localMask, uint32_t categories, uint32_t level);
void SetDebugMask(uint32_t mask);
uint32_t DebugMask();

void LogMessage(const char* text);
void LogMessage2(const char* text1, const char* text2);
void LogValue(const char* text, int32_t value);
void LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogBytes(const void* data, uint32_t count);
void LogArray(const APLArray* a);
// Shifts aplsrv.log to aplsrv01.log and the older generations up to the given number.
void RotateLogs(uint32_t generations);

extern const char* const kLogFileName;

}  // namespace zrt
