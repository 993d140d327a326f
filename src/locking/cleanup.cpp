#include "locking/cleanup.h"

#include "frame/log.h"
#include "frame/root.h"
#include "locking/formats.h"
#include "locking/liveness.h"
#include "locking/lock_codes.h"
#include "locking/lock_file.h"
#include "locking/record_io.h"

namespace zrt {

namespace {

// Calls keep(record) for each record of one open lock file, in order, and rewrites free those
// it does not keep. Gives the first write failure; a failed read ends the scan. scannedAll says
// whether every record was read; lastKept is the index of the last record kept, or -1.
template <class Keep>
Code clearRecords(platform::File& file, Keep keep, bool& scannedAll, int64_t& lastKept) {
    scannedAll = false;
    lastKept = -1;
    uint64_t count = 0;
    if (Code c = SeekRecord(file, 0, kLockRecordSize)) return c;
    if (Code c = LockRecordCount(file, count)) return c;
    const LockBytes free = EncodeLock(ClearLockRecord());
    LockBytes bytes;
    for (uint64_t i = 0; i < count; ++i) {
        if (NextRecord(file, bytes.data(), kLockRecordSize, 2) != kOk) return kOk;
        if (keep(DecodeLock(bytes.data()))) {
            lastKept = int64_t(i);
        } else if (Code c = WriteRecord(file, int32_t(i), kLockRecordSize, free.data())) {
            return c;
        }
    }
    scannedAll = true;
    return kOk;
}

Code cutAfter(platform::File& file, int64_t lastKept) {
    if (file.seek((lastKept + 1) * kLockRecordSize, platform::Whence::Begin) != platform::kOk ||
        file.setEnd() != platform::kOk)
        return kCannotSeek;
    return kOk;
}

}  // namespace

Code CleanupFiles(RootObject& root, FreedSlot& freed) {
    if (LogEnabled(0, kLogLocking, 5)) LogMessage("CleanupFiles");
    LockingState& locking = root.locking.get();
    platform::File& users = locking.usersFile;
    const uint64_t wanted = uint64_t(locking.maxUsers) * kUserRecordSize;
    uint64_t size = 0;
    if (users.size(size) != platform::kOk || size != wanted) {
        if (users.seek(int64_t(wanted), platform::Whence::Begin) == platform::kOk)
            (void)users.setEnd();  // a users file that keeps its length is read all the same
    }

    std::vector<bool> dead(locking.maxUsers, false);
    Code code = SeekRecord(users, 0, kUserRecordSize);
    // The freed slot stays claimed while its locks are cleared, so that nobody logs in to it and
    // takes locks that the clean-up would then remove; then it is the caller's to take.
    UserBytes record;
    for (uint32_t s = 0; code == kOk && s < locking.maxUsers; ++s) {
        auto slot = static_cast<int32_t>(s);
        if (ReadRecordLocked(users, slot, kUserRecordSize, record.data()) != kOk) break;
        bool isDead = false;
        (void)ClaimSlot(slot, root, freed.claim, isDead);  // isDead says what it found
        dead[s] = isDead;
        if (LogEnabled(0, kLogLocking, 5))
            LogPrintf("Record: %u User: %u Lock: %u", s, LoadLittle32(record.data()),
                      isDead ? 1u : 0u);
        if (isDead) {
            freed.slot = slot;
            UserBytes free = EncodeUser(ClearUserRecord());
            code = WriteRecord(users, slot, kUserRecordSize, free.data());
            break;
        }
        if (LoadLittle32(record.data()) == kFree) freed.passing = true;
    }
    CleanupLocks(root, dead);
    if (code != kOk && freed.slot >= 0) {
        ReleaseClaim(freed.slot, root, freed.claim);
        freed.slot = -1;
    }
    return code;
}

void CleanupLocks(RootObject& root, const std::vector<bool>& dead) {
    const uint32_t maxUsers = root.locking->maxUsers;
    auto keep = [&](const LockEntry& r) { return r.owner < maxUsers && !dead[r.owner]; };
    for (uint32_t n = 0; n < LockFileCount(root); ++n) {
        platform::File file;
        if (OpenLockFile(LockFilePath(root, n), file, root) != kOk) return;
        bool scannedAll = false;
        int64_t lastKept = -1;
        Code code = clearRecords(file, keep, scannedAll, lastKept);
        if (code == kOk && scannedAll) code = cutAfter(file, lastKept);
        if (CloseLockFile(file, root.locking->retryLock, code) != kOk) return;
    }
}

Code LogOutReleaseLocks(RootObject& root, int32_t slot, bool forced) {
    LockingState& locking = root.locking.get();
    if (!locking.usersFile.isOpen()) return kShortRead;
    UserBytes record;
    if (Code c = ReadRecordLocked(locking.usersFile, slot, kUserRecordSize, record.data()))
        return c;

    // Our own login is tested through the file we hold; any other slot is claimed while it is
    // cleared, for the reason CleanupFiles gives.
    bool alive = true;
    platform::File claim;
    if (locking.userFile.isOpen() && slot == locking.ownSlot) {
        if (Code c = isLocked(slot, root, alive)) return c;
    } else {
        bool claimed = false;
        if (Code c = ClaimSlot(slot, root, claim, claimed)) return c;
        alive = !claimed;
    }
    if (alive && !forced) return kUserAlive;

    // The record is freed first, and while the slot is still held: a lock of a slot that is
    // held but has no record is one in passing, which LockNLD waits for rather than name
    // nobody; and freed after the claim, the record could be that of a process that took the
    // slot in between.
    UserBytes free = EncodeUser(ClearUserRecord());
    Code code = WriteRecord(locking.usersFile, slot, kUserRecordSize, free.data());
    auto keep = [&](const LockEntry& r) { return r.owner != uint32_t(slot); };
    for (uint32_t n = 0; n < LockFileCount(root) && code == kOk; ++n) {
        platform::File file;
        code = OpenLockFile(LockFilePath(root, n), file, root);
        if (code != kOk) break;
        bool scannedAll = false;
        int64_t lastKept = -1;
        code = CloseLockFile(file, root.locking->retryLock,
                             clearRecords(file, keep, scannedAll, lastKept));
    }
    if (claim.isOpen()) ReleaseClaim(slot, root, claim);
    else platform::deleteFile(UserFileName(root, slot));
    return code;
}

}  // namespace zrt
