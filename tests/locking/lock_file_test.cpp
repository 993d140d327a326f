// Creating a missing lock file, and failing in a missing directory, are exercised through
// LockNLD.
#include "locking/lock_file.h"

#include <gtest/gtest.h>

#include <sstream>

#include "frame/log.h"
#include "locking/lock_codes.h"
#include "locking_world.h"

namespace zrt {
namespace {

using test::LockingWorld;

int countLogLines(const std::string& text) {
    std::istringstream in(test::readFile(kLogFileName));
    int n = 0;
    for (std::string line; std::getline(in, line);) n += line.find(text) != std::string::npos;
    return n;
}

TEST(OpenLockFile, ABusyFileIsTriedRetryLockTimes) {
    LockingWorld world;  // retryLock 3
    test::ChildProcess holder = world.start("h", {"holdfile locks.log", "signal held", "hold"});
    ASSERT_TRUE(world.waitFor("h", "held"));
    ASSERT_EQ(world.output("h"), "0\n");
    platform::File file;
    EXPECT_EQ(OpenLockFile("locks.log", file, world.root()), kLockFileOpen);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(countLogLines("OpenLockFile: OpenFile res 32 name locks.log"), 3);
    EXPECT_EQ(countLogLines("OpenLockFile: retrying"), 2);
    holder.kill();
    holder.wait();
    EXPECT_EQ(OpenLockFile("locks.log", file, world.root()), kOk);  // free again
}

}  // namespace
}  // namespace zrt
