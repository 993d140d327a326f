// Per-user files: the sign of life of a login. The process that holds a slot keeps the slot's
// file "USRnnnnn.LOG" (beside the users file) open with share mode none from log-in to log-out.
// Any process can then tell a live slot from a dead one by trying to open the file: the open
// fails with a sharing violation exactly while the owner lives, however the owner ends.
#pragma once

#include <cstdint>
#include <string>

#include "frame/codes.h"
#include "platform/platform.h"

namespace zrt {

struct RootObject;

std::string UserFileName(const RootObject& root, int32_t slot);

// Closes the held per-user file and deletes the slot's file.
[[nodiscard]] Code UnlockRecord(int32_t slot, RootObject& root);
// The liveness test. For the caller's own slot: its held file must still exist and hold its
// process id, else 10116 (the login is lost).
[[nodiscard]] Code isLocked(int32_t slot, RootObject& root, bool& alive);

// Holds the per-user file of a slot that no process holds (creating it empty, shared for reading
// only), so that nobody can log in to the slot while its record and locks are cleared. claimed
// false: the slot is alive (possibly through this very process). ReleaseClaim closes and
// deletes the file.
[[nodiscard]] Code ClaimSlot(int32_t slot, const RootObject& root, platform::File& claim, bool& claimed);
void ReleaseClaim(int32_t slot, const RootObject& root, platform::File& claim);
// Whether the slot is held by a claim rather than a login: its file opens for reading.
bool IsClaimed(int32_t slot, const RootObject& root);
// Makes a claimed slot the caller's login: the claim is given up and the file held again,
// sharing nothing, as the held per-user file, with the process id in it (10103 when it does not
// take it; the file is held all the same). 10106 when another process took the slot in that
// moment, or this process holds a per-user file already.
[[nodiscard]] Code TakeClaim(int32_t slot, RootObject& root, platform::File& claim);

}  // namespace zrt
