// A shared directory for legacy-locking tests: an initialised library in this process, and child
// processes that log in, lock and release on the same files, as other users would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/root.h"
#include "locking/formats.h"
#include "locking/lock_file.h"
#include "support/library_env.h"
#include "support/test_support.h"

namespace zrt::test {

struct WorldOptions {
    uint32_t maxUsers = 4;
    bool multipleLocks = false;
    uint32_t retryLock = 3;
    uint32_t debugMask = 0x0001000A;  // every locking line, so that failures leave a trail
    std::string logins = "Users.log";
    std::string locks = "locks.log";
};

class LockingWorld {
public:
    explicit LockingWorld(const WorldOptions& options = {});
    ~LockingWorld();

    std::string file(const std::string& name) const { return env_.file(name); }
    // Rewrites the initialisation file, read again at every LogIn.
    void writeIni(const WorldOptions& options);
    RootObject& root() const { return *CurrentRoot(); }
    // The record of a slot in Users.log (a free one when the file is shorter).
    UserEntry user(int32_t slot) const;
    std::vector<LockEntry> locks(const std::string& name = "locks.log") const;

    // A child that runs commands one after the other (see locking_world.cpp) and writes one
    // result line per command to "<name>.out".
    ChildProcess start(const std::string& name, std::vector<std::string> commands) {
        commands.insert(commands.begin(), name);
        return ChildProcess::start("locker", commands);
    }
    bool waitFor(const std::string& name, const std::string& what) const {
        return waitForFile(file(name + "." + what), 60000);
    }
    std::string output(const std::string& name) const { return readFile(file(name + ".out")); }

private:
    LibraryEnv env_;
};

// LogIn in this process; the slot, -1 (and a failure) when it fails.
int32_t logIn(const char* name);

// An NLD name whose lock file among the twenty, with library 1 and dt 1, is the one asked for.
std::string nameInLockFile(uint32_t number, const std::string& prefix = "N");

}  // namespace zrt::test
