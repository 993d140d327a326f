#include "locking/liveness.h"

#include <cstdio>

#include "frame/log.h"
#include "frame/root.h"
#include "locking/formats.h"
#include "locking/lock_codes.h"
#include "locking/lock_file.h"

namespace zrt {

namespace {

bool heldElsewhere(platform::SysError e) {
    return e == platform::kAccessDenied || e == platform::kSharingViolation;
}

// A login holds its per-user file sharing nothing; a claim lets others read it, which is how a
// claim is told from a login. Either keeps every other process from claiming the slot or
// logging in to it, and the liveness test (an open for writing) of any process, earlier
// versions included, finds the slot alive.
platform::SysError createHeld(const std::string& name, uint32_t share, platform::File& file) {
    return platform::File::open(name, platform::kReadWrite, share,
                                platform::Disposition::CreateAlways, file);
}

}  // namespace

std::string UserFileName(const RootObject& root, int32_t slot) {
    char name[32];
    std::snprintf(name, sizeof name, "USR%05ld.LOG", long(slot));
    return root.locking->usersDirectory + name;
}

Code UnlockRecord(int32_t slot, RootObject& root) {
    platform::File& held = root.locking->userFile;
    if (!held.isOpen()) return kNoUserFile;
    if (held.close() != platform::kOk) return kNoUserFile;  // the handle is gone either way
    platform::deleteFile(UserFileName(root, slot));
    return kOk;
}

Code isLocked(int32_t slot, RootObject& root, bool& alive) {
    alive = true;
    LockingState& locking = root.locking.get();
    std::string name = UserFileName(root, slot);
    if (locking.userFile.isOpen() && slot == locking.ownSlot) {
        uint8_t id[4];
        uint32_t got = 0;
        platform::SysError e = locking.userFile.readAt(0, id, sizeof id, got);
        if (e != platform::kOk) {
            LogPrintf("isLocked: ReadFileError %ld", long(e));
            return kLoginLost;
        }
        if (got != sizeof id || LoadLittle32(id) != root.processId) return kLoginLost;
        // A file deleted behind our back still reads through our handle on POSIX, while
        // everybody else already finds the slot dead.
        if (!platform::fileExists(name)) return kLoginLost;
        return kOk;
    }
    platform::File probe;
    platform::SysError e = platform::File::open(name, platform::kReadWrite, platform::kShareNone,
                                                platform::Disposition::OpenExisting, probe);
    if (e == platform::kOk) {
        probe.close();
        alive = false;
        return kOk;
    }
    if (LogEnabled(0, kLogLocking, 3))
        LogPrintf("isLocked: CreateFile res %u UserId %u", e, uint32_t(slot));
    if (e == platform::kFileNotFound) {
        alive = false;
        return kOk;
    }
    if (e != platform::kSharingViolation) return kUserFileOpen;
    return kOk;
}

Code ClaimSlot(int32_t slot, const RootObject& root, platform::File& claim, bool& claimed) {
    claimed = false;
    platform::SysError e = createHeld(UserFileName(root, slot), platform::kShareRead, claim);
    if (heldElsewhere(e)) return kOk;
    if (e != platform::kOk) {
        if (LogEnabled(0, kLogLocking, 3))
            LogPrintf("LockRecord: CreateFile res %u recno %u", e, uint32_t(slot));
        return kUserFileOpen;
    }
    claimed = true;
    return kOk;
}

void ReleaseClaim(int32_t slot, const RootObject& root, platform::File& claim) {
    if (!claim.isOpen()) return;
    claim.close();
    platform::deleteFile(UserFileName(root, slot));
}

bool IsClaimed(int32_t slot, const RootObject& root) {
    platform::File probe;
    return platform::File::open(UserFileName(root, slot), platform::kRead,
                                platform::kShareReadWrite, platform::Disposition::OpenExisting,
                                probe) == platform::kOk;
}

Code TakeClaim(int32_t slot, RootObject& root, platform::File& claim) {
    LockingState& locking = root.locking.get();
    if (locking.userFile.isOpen()) return kSlotHeld;
    // From a claim to a login: for a moment the slot is held by nobody, and another process may
    // take it (10106).
    claim.close();
    const std::string name = UserFileName(root, slot);
    platform::SysError e = createHeld(name, platform::kShareNone, locking.userFile);
    if (heldElsewhere(e)) return kSlotHeld;
    if (e != platform::kOk) {
        if (LogEnabled(0, kLogLocking, 3))
            LogPrintf("LockRecord: CreateFile res %u recno %u", e, uint32_t(slot));
        return kUserFileOpen;
    }
    uint8_t id[4];
    StoreLittle32(id, root.processId);
    uint32_t put = 0;
    e = locking.userFile.writeAt(0, id, sizeof id, put);
    if (put < sizeof id) {
        LogPrintf(" Could not write TaskId to %s: %ld.", name.c_str(), long(e));
        return kShortWrite;
    }
    return kOk;
}

}  // namespace zrt
