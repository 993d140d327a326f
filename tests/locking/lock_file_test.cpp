#include "locking/lock_file.h"

#include <gtest/gtest.h>

#include "locking/lock_codes.h"
#include "locking_world.h"

namespace zrt {
namespace {

using test::LockingWorld;

TEST(OpenLockFile, CreatesAMissingFileEmptyButNoMissingDirectory) {
    LockingWorld world;
    platform::File file;
    ASSERT_EQ(OpenLockFile(world.file("locks.log"), file, world.root()), kOk);
    EXPECT_EQ(CloseLockFile(file, 3, kOk), kOk);
    EXPECT_EQ(test::readFile(world.file("locks.log")), "");
    EXPECT_EQ(OpenLockFile(world.file("none/locks.log"), file, world.root()), kLockFileOpen);
}

TEST(OpenLockFile, ABusyFileIsTriedRetryLockTimes) {
    LockingWorld world;  // retryLock 3
    test::ChildProcess holder = world.start("h", {"holdfile locks.log", "signal held", "hold"});
    ASSERT_TRUE(world.waitFor("h", "held"));
    ASSERT_EQ(world.results("h").at(0), "0");
    platform::File file;
    EXPECT_EQ(OpenLockFile("locks.log", file, world.root()), kLockFileOpen);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(test::countLogLines("OpenLockFile: OpenFile res 32 name locks.log"), 3);
    EXPECT_EQ(test::countLogLines("OpenLockFile: retrying"), 2);
    holder.kill();
    holder.wait();
    EXPECT_EQ(OpenLockFile("locks.log", file, world.root()), kOk);  // free again
}

}  // namespace
}  // namespace zrt
