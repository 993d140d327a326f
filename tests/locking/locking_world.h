// A shared directory for legacy-locking tests: the initialisation file, the registry values and
// an initialised library in this process, and children of the test program that log in, lock
// and release on the same files, as other users on other processes would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/root.h"
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
    RootObject& root() const;

    // A child that runs commands one after the other (see locking_world.cpp) and writes one
    // result line per command to its own file; name names the child's files.
    ChildProcess start(const std::string& name, const std::vector<std::string>& commands);
    // Waits for the child's signal file "<name>.<what>".
    bool waitFor(const std::string& name, const std::string& what) const;
    // The child's result lines so far.
    std::vector<std::string> results(const std::string& name) const;

private:
    LibraryEnv env_;
};

// One lock record as it lies in a lock file.
struct LockOnDisk {
    std::string name;
    uint32_t owner;
};
std::vector<LockOnDisk> locksIn(const std::string& path);
// The user key, process id and name of a users-file record.
struct UserOnDisk {
    uint32_t key, processId;
    std::string name;
};
UserOnDisk userIn(const std::string& usersPath, int32_t slot);

// An NLD name whose lock file among the twenty, with library 1 and dt 1, is the one asked for.
std::string nameInLockFile(uint32_t number, const std::string& prefix = "N");

// The lines of the log (aplsrv.log) that contain text.
int countLogLines(const std::string& text);

}  // namespace zrt::test
