// LogIn and LogOut: taking a user slot with its per-user file as the sign of life, and giving
// up a slot's locks and record.
#include <cctype>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "frame/export_bodies.h"
#include "frame/log.h"
#include "frame/result.h"
#include "frame/root.h"
#include "frame/settings.h"
#include "locking/cleanup.h"
#include "locking/formats.h"
#include "locking/liveness.h"
#include "locking/lock_codes.h"
#include "locking/lock_file.h"
#include "locking/record_io.h"
#include "locking/users_file.h"
#include "platform/platform.h"

namespace zrt {

namespace {

constexpr uint32_t kIniValueSize = 4096;

// A key of section Main of the initialisation file, cut to size - 1 characters.
std::string iniValue(const RootObject& root, const char* key, const char* defaultValue,
                     uint32_t size = kIniValueSize) {
    std::vector<char> value(size);
    platform::profileString("Main", key, defaultValue, value.data(), size, root.iniPath.c_str());
    return value.data();
}

// The settings of a login, read afresh at every LogIn.
void readLoginSettings(RootObject& root, std::string& usersPath) {
    LockingState& locking = root.locking.get();
    locking.maxUsers = ParseSettingNumber(iniValue(root, "MaxUsers", "1").c_str());
    std::string multiple = iniValue(root, "UseMultipleLocks", "No");
    locking.useMultipleLocks =
        !multiple.empty() && std::toupper(static_cast<unsigned char>(multiple[0])) == 'Y';
    usersPath = iniValue(root, "Logins", "Users.log");
    locking.usersDirectory = UsersDirectory(usersPath);
}

void logStep(const char* step, int32_t value) {
    if (LogEnabled(0, kLogLocking, 4)) LogValue(step, value);
}

// Opens the users file, deleting it first when nobody has it open: the first login after
// everybody has gone starts from a fresh file. Another process may be making or deleting the
// file at the same moment, or may have died half-way through making it; what fails for such a
// reason is tried again a few times (so a MaxUsers that differs from the others' is reported
// only after them).
Code openUsersFile(RootObject& root, const std::string& usersPath) {
    LockingState& locking = root.locking.get();
    if (locking.usersFile.isOpen()) {
        if (LogEnabled(0, kLogLocking, 5)) LogMessage("Users file already opened");
        return kOk;
    }
    Patience patience(10);
    for (;;) {
        bool deleted = platform::deleteFile(usersPath) == platform::kOk;
        if (LogEnabled(0, kLogLocking, 4))
            LogPrintf("LogIn: DeleteFile %s res: %u", usersPath.c_str(), deleted ? 1u : 0u);
        Code code = OpenUserFile(usersPath, locking.maxUsers, locking.usersFile);
        bool passing = code == kUsersFileOpen || code == kCannotCreate || code == kBadFileSize;
        if (!passing || !patience.wait()) return code;
    }
}

// Cleans up and takes the slot that the clean-up freed. When every slot is held but one of them
// is in passing (being taken or cleared by another process), or another process took the freed
// slot first, it tries again, a bounded number of times, rather than fail. A round that finds
// every slot held with a record is tried again too, a few times: a slot that another process
// has claimed to clear it looks like that for a moment.
Code takeSlot(RootObject& root, int32_t& slot) {
    constexpr uint32_t kFullRounds = 3;
    Patience patience;
    for (uint32_t full = 0;;) {
        FreedSlot freed;
        Code code = CleanupFiles(root, freed);
        logStep("CleanupFiles", int32_t(code));
        if (code != kOk) return code;
        if (freed.slot >= 0) {
            code = TakeClaim(freed.slot, root, freed.claim);
            if (code != kSlotHeld) {
                slot = freed.slot;
                return code;
            }
        } else if (!freed.passing && ++full > kFullRounds) {
            return kNoFreeSlot;
        }
        if (!patience.wait()) return kNoFreeSlot;
    }
}

Code logIn(RootObject& root, const char* userName, uint32_t key, int32_t& userNumber) {
    LockingState& locking = root.locking.get();
    std::string usersPath;
    readLoginSettings(root, usersPath);
    // A per-user file held from an earlier login stays held: that slot stays alive.
    if (locking.userFile.isOpen()) locking.earlierUserFiles.push_back(std::move(locking.userFile));
    Code code = locking.maxUsers > kMaxSlots ? kRange : kOk;
    UserBytes record;
    int32_t slot = -1;

    if (code == kOk) code = CheckFileLocks(locking.usersDirectory);
    if (code == kOk) code = openUsersFile(root, usersPath);
    logStep("OpenUserFile", int32_t(code));

    if (code == kOk) code = FindOneSelf(root, record, slot);
    if (code == kOk && slot >= 0) {
        code = kAlreadyLoggedIn;
        userNumber = static_cast<int32_t>(LoadLittle32(record.data()));
    }
    logStep("FindOneSelf", int32_t(code));

    if (code == kOk) {
        code = takeSlot(root, slot);
        if (code == kNoFreeSlot) userNumber = static_cast<int32_t>(locking.maxUsers);
    }
    logStep("UserSlot", slot);

    if (code == kOk) {
        UserEntry entry;
        entry.key = key;
        entry.processId = root.processId;
        entry.loginTime = entry.lastActivity = RecordTime();
        entry.name = userName;
        UserBytes bytes = EncodeUser(entry);
        code = WriteRecord(locking.usersFile, slot, kUserRecordSize, bytes.data());
    }
    logStep("WriteRecord", int32_t(code));

    if (code == kOk) {
        locking.ownSlot = slot;
        userNumber = slot;
    } else if (locking.usersFile.isOpen()) {
        // A failed login leaves the caller logged out, whatever it took in this call.
        CloseUserFile(locking.usersFile);
        if (slot >= 0) (void)UnlockRecord(slot, root);
    }
    return code;
}

Code releaseAndLogOut(RootObject& root, int32_t slot) {
    Code code = LogOutReleaseLocks(root, slot, true);
    logStep("LogOutReleaseLocks", int32_t(code));
    LockingState& locking = root.locking.get();
    CloseUserFile(locking.usersFile);
    if (locking.userFile.isOpen()) {
        locking.userFile.close();
        platform::deleteFile(UserFileName(root, locking.ownSlot));
    }
    return code;
}

}  // namespace

void ReadLockingSettings(RootObject& root) {
    LockingState& locking = root.locking.get();
    locking.retryLock = NumberSetting("Main", "DLLRetryLock", "3", root.registryBase.c_str());
    if (locking.retryLock == 0) locking.retryLock = 1;
    locking.locksFile = iniValue(root, "Locks", "locks.log", kSettingSize);
}

// LogIn: gives the calling process a user slot. userNumber receives the slot; -1 on failure,
// except the user key of the caller's record (10110) and MaxUsers (10112).
Code body::LogIn(int32_t* userNumber, const char* userName) {
    int32_t number = -1;
    Code code = kOk;
    if (!userName) {
        code = kBadType;
    } else if (std::strlen(userName) > kMaxUserName) {
        code = kRange;
    } else {
        uint32_t key = Crc16Key(userName);
        if (LogEnabled(0, kLogLocking, 5)) LogValue("UserLogin", static_cast<int32_t>(key));
        RootObject* root = CurrentRoot();
        code = root ? logIn(*root, userName, key, number) : kNoRoot;
    }
    if (userNumber) *userNumber = number;
    return code;
}

// LogOut: releases the locks and the record of the slot (anybody's), then ends the caller's
// own login.
Code body::LogOut(int32_t slot) {
    if (LogEnabled(0, kLogLocking, 5)) LogValue("LogOut", slot);
    RootObject* root = CurrentRoot();
    return root ? releaseAndLogOut(*root, slot) : kNoRoot;
}

}  // namespace zrt

extern "C" ZRT_PUBLIC uint32_t ZRT_API LogIn(uint32_t /*unused*/, int32_t* userNumber,
                                             const char* userName) {
    return zrt::guardedCode([&] { return zrt::body::LogIn(userNumber, userName); });
}

extern "C" ZRT_PUBLIC uint32_t ZRT_API LogOut(int32_t slot) {
    return zrt::guardedCode([&] { return zrt::body::LogOut(slot); });
}
