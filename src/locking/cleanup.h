// Clearing what users left behind: the first slot that no live process holds (at every log-in),
// the locks of dead slots and of slots out of range, and everything one slot holds (at log-out,
// and when a lock is in the way of a dead user's lock).
#pragma once

#include <cstdint>
#include <vector>

#include "frame/codes.h"
#include "platform/platform.h"

namespace zrt {

struct RootObject;

// The slot that CleanupFiles freed, still claimed, so that the caller can take it.
struct FreedSlot {
    int32_t slot = -1;  // -1: every slot is held
    platform::File claim;
    // With no slot freed: some held slot has a free record. A login is taking it, or a clean-up
    // clearing it; it may be free again in a moment.
    bool passing = false;
};

// Claims the first slot whose per-user file nobody holds, frees its record and clears its locks
// (CleanupLocks); all slots before it are held. The claim is handed to the caller in freed (on
// failure it is given up).
[[nodiscard]] Code CleanupFiles(RootObject& root, FreedSlot& freed);

// Frees, in every lock file, the records of dead slots, of owners out of range, and free ones,
// and cuts each file after its last kept record.
void CleanupLocks(RootObject& root, const std::vector<bool>& dead);

// Frees the slot's record and its locks in every lock file and deletes its per-user file.
// Without force a live slot is left alone (10108).
[[nodiscard]] Code LogOutReleaseLocks(RootObject& root, int32_t slot, bool forced);

}  // namespace zrt
