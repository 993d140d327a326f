// Opening, creating and size checks of the users file are exercised through LogIn.
#include "locking/users_file.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "platform/posix/file_locks.h"
#endif

namespace zrt {
namespace {

TEST(UsersDirectory, UpToTheLastSeparatorOfEitherKind) {
    const std::pair<const char*, const char*> cases[] = {
        {"Users.log", ""},
        {"share\\sub/Users.log", "share\\sub/"},
        {"\\Users.log", ""},  // the only separator first: the current directory
    };
    for (auto [path, directory] : cases) EXPECT_EQ(UsersDirectory(path), directory) << path;
}

#ifndef _WIN32
// LogIn refuses (10117) a directory whose mount keeps byte-range locks on this machine only.
TEST(CheckFileLocks, MountsThatKeepLocksLocal) {
    const std::pair<const char*, bool> cases[] = {
        {"27 1 254:0 / / rw,relatime - ext4 /dev/vda rw,discard", false},
        {"40 27 0:45 / /srv rw - nfs4 fs:/m rw,vers=4.2,local_lock=none,addr=10.0.0.2", false},
        {"40 27 0:45 / /srv rw - nfs fs:/m rw,vers=3,nolock,proto=tcp", true},
        {"40 27 0:45 / /srv rw - nfs4 fs:/m rw,vers=4.1,local_lock=posix", true},
        {"40 27 0:45 / /srv rw - nfs4 fs:/m rw,vers=4.1,local_lock=flock", false},
        {"41 27 0:46 / /srv rw - cifs //fs/m rw,vers=3.1.1,nobrl,cache=strict", true},
        {"41 27 0:46 / /srv rw - cifs //fs/m rw,vers=3.1.1,cache=strict", false},
        {"42 27 0:47 / /srv rw,nosuid - fuse.sshfs me@fs:/m rw,user_id=0", true},
        {"damaged", false},
    };
    for (auto [line, local] : cases)
        EXPECT_EQ(platform::posix::locksStayLocal(line), local) << line;
    EXPECT_EQ(CheckFileLocks(""), kOk);  // the test directories lie on local disks
}
#endif

}  // namespace
}  // namespace zrt
