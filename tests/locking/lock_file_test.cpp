#include "locking/lock_file.h"

#include <gtest/gtest.h>

#include "locking/lock_codes.h"
#include "locking_world.h"

namespace zrt {
namespace {

using test::LockingWorld;
using test::WorldOptions;

TEST(OpenLockFile, CreatesAMissingFileEmpty) {
    LockingWorld world;
    platform::File file;
    ASSERT_EQ(OpenLockFile(world.file("locks.log"), file, world.root()), kOk);
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(CloseLockFile(file, 3, kOk), kOk);
    EXPECT_TRUE(test::exists(world.file("locks.log")));
    EXPECT_EQ(test::readFile(world.file("locks.log")), "");
}

TEST(OpenLockFile, SizeMustBeWholeRecords) {
    LockingWorld world;
    for (size_t size : {size_t(50), size_t(47), size_t(96)}) {
        SCOPED_TRACE(size);
        test::writeFile(world.file("locks.log"), std::string(size, 'x'));
        platform::File file;
        EXPECT_EQ(OpenLockFile(world.file("locks.log"), file, world.root()),
                  size % 48 ? Code(kBadFileSize) : Code(kOk));
        EXPECT_EQ(file.isOpen(), size % 48 == 0);
        file.close();
        EXPECT_EQ(test::readFile(world.file("locks.log")).size(), size);
    }
}

TEST(OpenLockFile, ABusyFileIsTriedRetryLockTimes) {
    for (uint32_t retryLock : {1u, 3u}) {
        SCOPED_TRACE(retryLock);
        WorldOptions options;
        options.retryLock = retryLock;
        LockingWorld world(options);
        test::ChildProcess holder = world.start("h", {"holdfile locks.log", "signal held", "hold"});
        ASSERT_TRUE(world.waitFor("h", "held"));
        ASSERT_EQ(world.results("h").at(0), "0");
        platform::File file;
        EXPECT_EQ(OpenLockFile("locks.log", file, world.root()), kLockFileOpen);
        EXPECT_FALSE(file.isOpen());
        EXPECT_EQ(test::countLogLines("OpenLockFile: OpenFile res 32 name locks.log"),
                  int(retryLock));
        EXPECT_EQ(test::countLogLines("OpenLockFile: retrying"), int(retryLock - 1));
        holder.kill();
        holder.wait();
        EXPECT_EQ(OpenLockFile("locks.log", file, world.root()), kOk);  // free again
    }
}

TEST(OpenLockFile, MissingDirectoryGivesUp) {
    LockingWorld world;
    platform::File file;
    EXPECT_EQ(OpenLockFile(world.file("none/locks.log"), file, world.root()), kLockFileOpen);
}

TEST(CloseLockFile, PassesTheEarlierResultThrough) {
    LockingWorld world;
    platform::File file;
    EXPECT_EQ(CloseLockFile(file, 3, kShortRead), kShortRead);  // nothing open
    ASSERT_EQ(OpenLockFile(world.file("locks.log"), file, world.root()), kOk);
    EXPECT_EQ(CloseLockFile(file, 3, kConflict), kConflict);
    EXPECT_FALSE(file.isOpen());
}

}  // namespace
}  // namespace zrt
