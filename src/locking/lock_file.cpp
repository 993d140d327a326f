#include "locking/lock_file.h"

#include <cstdio>

#include "frame/log.h"
#include "frame/root.h"
#include "locking/formats.h"
#include "locking/lock_codes.h"
#include "locking/record_io.h"

namespace zrt {

uint32_t LockFileCount(const RootObject& root) {
    return root.locking->useMultipleLocks ? kMultipleLockFiles : 1;
}

std::string LockFilePath(const RootObject& root, uint32_t number) {
    if (!root.locking->useMultipleLocks) return root.locking->locksFile;
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%02u", number);
    return root.locking->locksFile + suffix;
}

Code CreateLockFile(const std::string& path) {
    // Never "create always": two processes may both find the file missing, and the second
    // must not empty what the first has written meanwhile. Found there now is as good as made.
    platform::File file;
    platform::SysError e = platform::File::open(path, platform::kReadWrite, platform::kShareNone,
                                                platform::Disposition::CreateNew, file);
    if (e == platform::kFileExists || e == platform::kAlreadyExists ||
        e == platform::kSharingViolation)
        return kOk;
    if (e != platform::kOk) {
        if (LogEnabled(0, kLogLocking, 3))
            LogPrintf("CreateLockFile: CreateFile res %u name %s", e, path.c_str());
        return kCannotCreate;
    }
    file.close();
    return kOk;
}

Code LockRecordCount(platform::File& file, uint64_t& count) {
    uint64_t size = 0;
    if (file.size(size) != platform::kOk || size % kLockRecordSize != 0) return kBadFileSize;
    count = size / kLockRecordSize;
    return kOk;
}

Code OpenLockFile(const std::string& path, platform::File& file, const RootObject& root) {
    uint32_t attempts = 0;
    for (;;) {
        platform::SysError e = platform::File::open(path, platform::kReadWrite,
                                                    platform::kShareNone,
                                                    platform::Disposition::OpenExisting, file);
        if (e == platform::kOk) {
            uint64_t count = 0;
            if (Code c = LockRecordCount(file, count)) {
                file.close();
                return c;
            }
            return kOk;
        }
        ++attempts;
        if (LogEnabled(0, kLogLocking, 3))
            LogPrintf("OpenLockFile: OpenFile res %u name %s", e, path.c_str());
        if (e == platform::kFileNotFound) {
            // A file that keeps vanishing after we made it is given up like a busy one.
            if (CreateLockFile(path) != kOk || attempts > root.locking->retryLock)
                return kLockFileOpen;
            continue;
        }
        if (e != platform::kAccessDenied && e != platform::kSharingViolation) return kLockFileOpen;
        if (attempts >= root.locking->retryLock) return kLockFileOpen;
        RandomSleep(200, 3000);
        if (LogEnabled(0, kLogLocking, 3))
            LogValue("OpenLockFile: retrying", static_cast<int32_t>(attempts));
    }
}

Code CloseLockFile(platform::File& file, uint32_t retries, Code previous) {
    if (!file.isOpen()) return previous;
    for (uint32_t attempt = 0; attempt < retries || attempt == 0; ++attempt) {
        platform::SysError e = file.close();
        if (e == platform::kOk) return previous;
        LogValue("CloseLockFile: CloseHandle(hLocks)", static_cast<int32_t>(e));
        platform::sleepMs(2);
    }
    if (previous != kOk) LogValue("Previous error was:", static_cast<int32_t>(previous));
    return kLockFileClose;
}

}  // namespace zrt
