// Clearing what users left behind: the first slot that no live process holds (at every log-in),
// the locks of dead slots and of slots out of range, and everything one slot holds (at log-out,
// and when a lock is in the way of a dead user's lock).
#pragma once

#include <cstdint>
#include <vector>

#include "frame/codes.h"

namespace zrt {

struct RootObject;

// Frees the first slot whose per-user file nobody holds and clears its locks (CleanupLocks).
// All slots before it are live.
Code CleanupFiles(RootObject& root);

// Frees, in every lock file, the records of dead slots, of owners out of range, and free ones,
// and cuts each file after its last kept record.
void CleanupLocks(RootObject& root, const std::vector<bool>& dead);

// Frees the slot's locks in every lock file, deletes its per-user file and frees its record.
// Without force a live slot is left alone (10108).
Code LogOutReleaseLocks(RootObject& root, int32_t slot, bool forced);

}  // namespace zrt
