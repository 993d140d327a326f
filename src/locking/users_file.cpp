#include "locking/users_file.h"

#include <cstdint>
#include <ctime>

#include "frame/log.h"
#include "frame/root.h"
#include "locking/lock_codes.h"
#include "locking/record_io.h"
#include "locking/lock_file.h"

namespace zrt {

std::string UsersDirectory(const std::string& usersPath) {
    size_t last = usersPath.find_last_of("\\/");
    if (last == std::string::npos || last == 0) return "";
    return usersPath.substr(0, last + 1);
}

uint32_t RecordTime() { return static_cast<uint32_t>(std::time(nullptr)); }

namespace {

// An open that failed because the file system takes no byte-range locks (ENOLCK, EOPNOTSUPP).
bool locksRefused(platform::SysError e) {
    return e == platform::kNoSystemResources || e == platform::kNotSupported;
}

}  // namespace

Code CheckFileLocks(const std::string& usersDirectory) {
    platform::SysError e = platform::checkFileLocks(usersDirectory);
    if (e == platform::kOk) return kOk;
    LogPrintf("LogIn: no byte-range locks in '%s' (res %u): logins refused", usersDirectory.c_str(),
              e);
    return kNoFileLocks;
}

Code CreateUserFile(const std::string& path, uint32_t maxUsers) {
    if (LogEnabled(0, kLogLocking, 5)) LogValue("CreateUserFile", static_cast<int32_t>(maxUsers));
    platform::File file;
    platform::SysError e = platform::File::open(path, platform::kReadWrite, platform::kShareNone,
                                                platform::Disposition::CreateAlways, file);
    if (e != platform::kOk) {
        if (LogEnabled(0, kLogLocking, 3))
            LogPrintf("CreateUserFile: CreateFile res %u name %s", e, path.c_str());
        return locksRefused(e) ? kNoFileLocks : kCannotCreate;
    }
    const UserBytes free = EncodeUser(ClearUserRecord());
    Code code = kOk;
    for (uint32_t slot = 0; slot < maxUsers && code == kOk; ++slot)
        code = WriteRecord(file, static_cast<int32_t>(slot), kUserRecordSize, free.data());
    file.close();
    return code;
}

namespace {

platform::SysError openShared(const std::string& path, platform::File& file) {
    return platform::File::open(path, platform::kReadWrite, platform::kShareReadWrite,
                                platform::Disposition::OpenExisting, file);
}

}  // namespace

Code OpenUserFile(const std::string& path, uint32_t maxUsers, platform::File& file) {
    if (LogEnabled(0, kLogLocking, 5)) LogValue("OpenUserFile", static_cast<int32_t>(maxUsers));
    platform::SysError first = openShared(path, file);
    if (locksRefused(first)) return kNoFileLocks;
    if (first != platform::kOk) {
        if (Code c = CreateUserFile(path, maxUsers)) return c;
        platform::SysError e = openShared(path, file);
        if (e != platform::kOk) {
            if (LogEnabled(0, kLogLocking, 3))
                LogPrintf("OpenUserFile: CreateFile res %u name %s", e, path.c_str());
            return kUsersFileOpen;
        }
    }
    uint64_t size = 0;
    if (file.size(size) != platform::kOk || size % kUserRecordSize != 0 ||
        size != uint64_t(maxUsers) * kUserRecordSize) {
        file.close();
        return kBadFileSize;
    }
    return kOk;
}

void CloseUserFile(platform::File& file) {
    if (LogEnabled(0, kLogLocking, 5)) LogMessage("CloseUserFile");
    if (file.isOpen()) file.close();
}

Code FindOneSelf(RootObject& root, UserBytes& record, int32_t& slot) {
    LockingState& locking = root.locking.get();
    slot = -1;
    if (!locking.usersFile.isOpen()) return kShortRead;
    // The process id alone is not enough: processes on other machines, or a dead process whose
    // id was reused, may have the same one. A record is ours only in the slot of our login,
    // while we hold its per-user file.
    if (!locking.userFile.isOpen() || locking.ownSlot < 0 ||
        uint32_t(locking.ownSlot) >= locking.maxUsers)
        return kOk;
    if (Code c = ReadRecordLocked(locking.usersFile, locking.ownSlot, kUserRecordSize,
                                  record.data()))
        return c;
    if (LoadLittle32(record.data() + 4) == root.processId) slot = locking.ownSlot;
    return kOk;
}

Code TouchUser(RootObject& root, int32_t slot) {
    platform::File& users = root.locking->usersFile;
    UserBytes record;
    if (Code c = ReadRecord(users, slot, kUserRecordSize, record.data())) return c;
    // Only the time field is written back: the slot's owner may be rewriting its record meanwhile.
    uint8_t now[4];
    StoreLittle32(now, RecordTime());
    uint32_t put = 0;
    platform::SysError e = users.writeAt(uint64_t(slot) * kUserRecordSize + kUserTimeOffset, now,
                                         sizeof now, put);
    if (put < sizeof now) {
        if (LogEnabled(0, kLogLocking, 3))
            LogPrintf("WriteRecord: WriteFile res %u asked %u written %u", e, 4u, put);
        return kShortWrite;
    }
    return kOk;
}

}  // namespace zrt
