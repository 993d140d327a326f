// Lock files: a growing list of 48-byte lock records. A lock file is only ever changed while the
// changer holds it open with share mode none, which serialises every process that uses it; it
// is open only inside one lock, release or clean-up step. With UseMultipleLocks there are twenty
// of them ("<locks>.00" to "<locks>.19") and the plain path is not used.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/codes.h"
#include "platform/platform.h"

namespace zrt {

struct RootObject;

// What legacy locking keeps for the process between calls, and its settings.
struct LockingState {
    uint32_t retryLock = 3;               // tries at a lock file that is in use
    std::string locksFile = "locks.log";  // the lock file, or the stem of the twenty
    uint32_t maxUsers = 0;
    platform::File usersFile;    // open for the whole login
    std::string usersDirectory;  // where the per-user files live
    platform::File userFile;     // the held per-user file: the process's sign of life
    int32_t ownSlot = -1;
    bool useMultipleLocks = false;
    // Per-user files of earlier logins that a further LogIn set aside: they stay held, so that
    // their slots stay alive, until the root object goes.
    std::vector<platform::File> earlierUserFiles;
};

// Init: DLLRetryLock (at least 1) from the registry, Locks from the initialisation file.
void ReadLockingSettings(RootObject& root);

constexpr uint32_t kMultipleLockFiles = 20;
// Lock handles are file number * 10000000 + index + 1: a file longer than this cannot be given
// unambiguous handles for all its records.
constexpr uint32_t kHandleFileStep = 10000000;
constexpr uint32_t kMaxLockRecords = kHandleFileStep - 2;

// The number of lock files in use (20 or 1) and the path of lock file n.
uint32_t LockFileCount(const RootObject& root);
std::string LockFilePath(const RootObject& root, uint32_t number);

// An empty lock file, unless one exists by now.
[[nodiscard]] Code CreateLockFile(const std::string& path);
// Opens the lock file exclusively, creating it when missing. A busy file is tried retryLock
// times with a random wait between attempts, then 10113. The size must be whole records (10104).
[[nodiscard]] Code OpenLockFile(const std::string& path, platform::File& file, const RootObject& root);
// Closes with up to retries attempts; gives previous when the close succeeds, else 10115.
[[nodiscard]] Code CloseLockFile(platform::File& file, uint32_t retries, Code previous);

// The number of records of an open lock file; 10104 when the size is unknown or not whole records.
[[nodiscard]] Code LockRecordCount(platform::File& file, uint64_t& count);

}  // namespace zrt
