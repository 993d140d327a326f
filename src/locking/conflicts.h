// When two locks on an NLD may coexist, and where a new lock goes.
//
// A lock mode's bits 0 and 1 say how the holder uses the NLD (the first way, the second way),
// bits 2 and 3 which of those ways it denies to others. Two locks on the same NLD (name, library
// and dt number; the name with case) conflict when one's use meets the other's denial, in
// either direction. Higher bits are kept but play no part; mode 0 conflicts with nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "locking/formats.h"

namespace zrt {

// The lock file of an NLD among the twenty: Crc16Key of "name_lib_dt", spread over 0 to 19.
uint32_t LockFileNo(const char* name, int32_t library, int32_t dt);

bool NLDConflicts(const LockEntry& a, const LockEntry& b);

// The index of the first record that conflicts with the request (copied to conflict), or -1.
// free gets one mark per record: whether it is free (owner all ones). A free record is no lock,
// whatever else it holds.
int32_t CheckNLDConflict(const std::vector<LockEntry>& records, const LockEntry& request,
                         LockEntry& conflict, std::vector<bool>& free);

// The first free record, else the record count: the new lock is appended.
uint32_t FindFreeLock(const std::vector<bool>& free);

}  // namespace zrt
