// LockNLD and ReleaseNLD: locks on named units, recorded in the lock files. The conflict test
// and the writing of a new lock happen while the lock file is held with share mode none, so
// they are one step among all processes that use that file.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "frame/export_bodies.h"
#include "frame/log.h"
#include "frame/result.h"
#include "frame/root.h"
#include "locking/cleanup.h"
#include "locking/conflicts.h"
#include "locking/formats.h"
#include "locking/liveness.h"
#include "locking/lock_codes.h"
#include "locking/lock_file.h"
#include "locking/record_io.h"
#include "locking/users_file.h"

namespace zrt {

namespace {

void logStep(const char* step, int32_t value) {
    if (LogEnabled(0, kLogLocking, 4)) LogValue(step, value);
}

// The whole lock file in one read.
Code readLocks(platform::File& file, std::vector<LockEntry>& records) {
    uint64_t count = 0;
    if (Code c = LockRecordCount(file, count)) return c;
    if (count > kMaxLockRecords) return kBadFileSize;
    std::vector<uint8_t> bytes(std::max<uint64_t>(count, 1) * kLockRecordSize);
    if (Code c = ReadRecord(file, 0, uint32_t(count * kLockRecordSize), bytes.data())) return c;
    records.clear();
    records.reserve(size_t(count));
    for (uint64_t i = 0; i < count; ++i) records.push_back(DecodeLock(&bytes[i * kLockRecordSize]));
    return kOk;
}

void putName(char* out, const std::string& name) {
    if (!out) return;
    std::memcpy(out, name.data(), name.size());
    out[name.size()] = 0;
}

// A failure of a logged-in caller whose per-user file no longer holds its process id is
// explained by that: the login is lost.
Code explainedFailure(RootObject& root, Code code) {
    bool alive = true;
    if (code != kOk && root.locking->userFile.isOpen() &&
        isLocked(root.locking->ownSlot, root, alive) == kLoginLost)
        return kLoginLost;
    return code;
}

struct LockCall {
    LockEntry request;
    uint32_t fileNo = 0;
    int32_t* handle;
    char* userName;
};

// What stands in the way of a request once its lock file has been read.
enum class Holder {
    None,     // nothing, or a live holder (10111): the call is settled
    Dead,     // a holder whose process has ended: clear it and read again
    Passing,  // a holder being logged in, logged out or cleared: wait and read again
};

// Tests the request against the records read and writes it when nothing is in the way. A live
// holder, or the caller itself, is named with 10111. A holder whose record is free, or whose slot
// is held by another process's claim, is in passing: a log-out or clean-up frees the record
// before the locks, so its lock in the way goes in a moment, and a refusal would name nobody,
// or a user who has died.
Code tryLock(RootObject& root, platform::File& file, const std::vector<LockEntry>& records,
             const UserBytes& own, LockCall& call, Holder& state, int32_t& holder) {
    state = Holder::None;
    LockEntry conflict;
    std::vector<bool> free;
    if (CheckNLDConflict(records, call.request, conflict, free) < 0) {
        uint32_t index = FindFreeLock(free);
        if (call.handle) *call.handle = int32_t(call.fileNo * kHandleFileStep + index + 1);
        putName(call.userName, DecodeUser(own.data()).name);
        LockBytes bytes = EncodeLock(call.request);
        if (Code c = WriteRecord(file, int32_t(index), kLockRecordSize, bytes.data())) return c;
        return TouchUser(root, int32_t(call.request.owner));
    }
    holder = int32_t(conflict.owner);
    logStep("LockNLD: NLD Conflict", holder);
    bool alive = true;  // the caller itself, or a holder whose test fails, counts as alive
    if (uint32_t(holder) != call.request.owner && isLocked(holder, root, alive) != kOk)
        alive = true;
    UserBytes theirs;
    if (Code c = ReadRecordLocked(root.locking->usersFile, holder, kUserRecordSize, theirs.data()))
        return c;
    UserEntry user = DecodeUser(theirs.data());
    if (!alive) {
        state = Holder::Dead;
    } else if (user.key == kFree ||
               (uint32_t(holder) != call.request.owner && IsClaimed(holder, root))) {
        state = Holder::Passing;
    } else {
        if (call.handle) *call.handle = int32_t(user.key);
        putName(call.userName, user.name);
        return kConflict;
    }
    return kOk;
}

Code lockNLD(RootObject& root, LockCall& call) {
    LockingState& locking = root.locking.get();
    // Without a login there is no users file to find oneself in: no lock file is touched.
    if (!locking.usersFile.isOpen()) return kNotLoggedIn;
    call.fileNo = locking.useMultipleLocks
                      ? LockFileNo(call.request.name.c_str(), call.request.library, call.request.dt)
                      : 0;
    const std::string path = LockFilePath(root, call.fileNo);
    platform::File file;
    Code code = OpenLockFile(path, file, root);
    logStep("OpenLockFile", int32_t(code));
    if (code != kOk) return code;

    std::vector<LockEntry> records;
    code = readLocks(file, records);
    logStep("ReadRecord", int32_t(code));

    UserBytes own;
    if (code == kOk) {
        int32_t slot = -1;
        code = FindOneSelf(root, own, slot);
        if (slot < 0) {
            CloseUserFile(locking.usersFile);
            if (code == kOk) code = kNotLoggedIn;
        }
        call.request.owner = uint32_t(slot);
        logStep("LockNLD: FindOneSelf", int32_t(code));
    }

    // A dead holder is cleared at once; one in passing is waited for, a bounded number of
    // times, and so is a dead holder still in the way after it was cleared once.
    std::vector<int32_t> cleared;
    Patience patience;
    while (code == kOk) {
        Holder state = Holder::None;
        int32_t holder = -1;
        code = tryLock(root, file, records, own, call, state, holder);
        if (state == Holder::None) break;
        (void)CloseLockFile(file, root.locking->retryLock, kOk);
        bool again = std::find(cleared.begin(), cleared.end(), holder) != cleared.end();
        if ((state == Holder::Passing || again) && !patience.wait()) return kLockFileOpen;
        if (state == Holder::Dead) {
            if (LogEnabled(0, kLogLocking, 5)) LogValue("Dead User found CleanUp ", holder);
            cleared.push_back(holder);
            Code released = LogOutReleaseLocks(root, holder, false);
            logStep("LogOutReleaseLocks ", int32_t(released));
            // 10108: somebody else claimed the slot meanwhile, to clear it or to log in.
            if (released != kOk && released != kUserAlive) return released;
        }
        if (Code c = OpenLockFile(path, file, root)) return c;
        code = readLocks(file, records);
    }
    return CloseLockFile(file, root.locking->retryLock, code);
}

Code releaseNLD(RootObject& root, int32_t handle) {
    int64_t fileNo = 0, index = int64_t(handle) - 1;
    if (root.locking->useMultipleLocks) {
        fileNo = handle / int32_t(kHandleFileStep);
        index = handle % int32_t(kHandleFileStep) - 1;
    }
    // No such lock file: beyond the end of every one.
    if (fileNo < 0 || fileNo >= LockFileCount(root)) return kShortRead;
    platform::File file;
    if (Code c = OpenLockFile(LockFilePath(root, uint32_t(fileNo)), file, root)) return c;
    auto at = static_cast<int32_t>(std::max<int64_t>(index, -1));
    LockBytes bytes;
    Code code = ReadRecord(file, at, kLockRecordSize, bytes.data());
    // A free record's owner is all ones: it has no users-file position (10105).
    if (code == kOk) code = TouchUser(root, int32_t(DecodeLock(bytes.data()).owner));
    if (code == kOk) {
        const LockBytes free = EncodeLock(ClearLockRecord());
        code = WriteRecord(file, at, kLockRecordSize, free.data());
    }
    return CloseLockFile(file, root.locking->retryLock, code);
}

}  // namespace

// LockNLD: locks the NLD (name, library, dt) in the given mode. On success *lock is the lock's
// handle and userName the caller's user name; on 10111 they are the user key and the name of
// the holder of the lock in the way. userName must have room for 1028 bytes.
Code body::LockNLD(const char* name, int32_t library, int32_t dt, uint32_t mode, int32_t* lock,
                   char* userName) {
    if (!name) return kBadType;
    if (std::strlen(name) > kMaxNldName) return kRange;
    if (LogEnabled(0, kLogLocking, 5))
        LogPrintf("LockNLD (name) %s (lib) %ld (dt) %ld", name, long(library), long(dt));
    RootObject* root = CurrentRoot();
    if (!root) return kNoRoot;
    LockCall call{LockEntry{name, library, dt, kFree, mode}, 0, lock, userName};
    Code code = explainedFailure(*root, lockNLD(*root, call));
    if (LogEnabled(0, kLogLocking, 5)) LogMessage("End LockNLD");
    return code;
}

// ReleaseNLD: frees the lock of that handle, whoever holds it.
Code body::ReleaseNLD(int32_t handle) {
    if (LogEnabled(0, kLogLocking, 4)) LogPrintf("ReleaseNLD [%ld]", long(handle));
    RootObject* root = CurrentRoot();
    if (!root) return kNoRoot;
    Code code = explainedFailure(*root, releaseNLD(*root, handle));
    if (LogEnabled(0, kLogLocking, 4)) LogValue("End ReleaseNLD", int32_t(code));
    return code;
}

}  // namespace zrt

extern "C" ZRT_PUBLIC uint32_t ZRT_API LockNLD(const char* name, int32_t library, int32_t dt,
                                               uint32_t mode, int32_t* lock, char* userName) {
    return zrt::guardedCode(
        [&] { return zrt::body::LockNLD(name, library, dt, mode, lock, userName); });
}

extern "C" ZRT_PUBLIC uint32_t ZRT_API ReleaseNLD(int32_t handle) {
    return zrt::guardedCode([&] { return zrt::body::ReleaseNLD(handle); });
}
