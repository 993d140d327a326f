// The root object of a process: the settings read by Init, the cache of translation tables,
// and the state of legacy locking.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/registry.h"
#include "frame/xlate.h"
#include "platform/platform.h"

namespace zrt {

// What legacy locking keeps for the process between calls.
struct LockingState {
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

// Megabytes that the arrays of one decoded SCAR file may take together, unless set.
constexpr uint32_t kDefaultScarReadLimit = 1024;

struct RootObject : NamedObject {
    static constexpr uint32_t kKind = kRootKind;
    RootObject() : NamedObject(kKind) {}

    uint32_t processId = 0;
    std::string registryBase;
    std::string iniPath;
    uint32_t slack = 100;
    uint32_t changeList = 1;
    uint32_t accessSize = 4096;
    uint32_t retryLock = 3;
    uint32_t scarVersion = 0;
    uint32_t scarReadLimit = kDefaultScarReadLimit;  // megabytes; 0: no limit
    std::string locksFile = "locks.log";
    XlateCache xlateCache;
    LockingState locking;
};

// The root object of the calling process, or null before Init.
RootObject* CurrentRoot();

}  // namespace zrt
