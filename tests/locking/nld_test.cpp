// LockNLD and ReleaseNLD between real processes on real files.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "locking/lock_codes.h"
#include "locking_world.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::LockingWorld;

struct Locked {
    Code code;
    int32_t value;
    std::string user;
};

Locked lock(const std::string& name, uint32_t mode) {
    Locked r{0, -7, ""};
    char user[kUserNameSize] = "?";
    r.code = LockNLD(name.c_str(), 1, 1, mode, &r.value, user);
    r.user = user;
    return r;
}

TEST(LockNLD, ADeadUsersLockGivesWayAfterItsLoginIsCleared) {
    LockingWorld world({.multipleLocks = true});
    ASSERT_EQ(test::logIn("Me"), 0);
    const std::string x = test::nameInLockFile(2, "X"), w = test::nameInLockFile(9, "W");
    test::ChildProcess kid = world.start(
        "k", {"login Kid", "lock " + x + " 1 1 5", "lock " + w + " 1 1 5", "signal in", "hold"});
    ASSERT_TRUE(world.waitFor("k", "in"));
    // Which modes conflict is tested in conflicts_test.cpp; here the files and processes matter.
    Locked alive = lock(x, 1);
    EXPECT_EQ(alive.code, kConflict);
    EXPECT_EQ(alive.value, int32_t(Crc16Key("Kid")));
    EXPECT_EQ(alive.user, "Kid");
    EXPECT_EQ(lock(x, 2).code, kOk);
    kid.kill();
    kid.wait();

    Locked mine = lock(x, 1);
    ASSERT_EQ(mine.code, kOk);
    EXPECT_EQ(mine.value, 20000001);  // the dead lock's record, freed and reused
    EXPECT_EQ(ReleaseNLD(20000002), kOk);  // handles carry the lock file number
    EXPECT_EQ(ReleaseNLD(200000001), kShortRead);  // there is no file 20
    EXPECT_EQ(ReleaseNLD(-20000001), kShortRead);
    EXPECT_EQ(world.locks("locks.log.09").at(0).owner, kFree);
    EXPECT_EQ(world.user(1).key, kFree);
    EXPECT_FALSE(test::exists(world.file("USR00001.LOG")));
}

// A holder whose slot is held but whose record is free is being logged out or cleared: its lock
// goes in a moment. LockNLD waits for it rather than name nobody, and gives up as if the lock
// file stayed busy.
TEST(LockNLD, WaitsForAHolderInPassingAndNeverNamesNobody) {
    LockingWorld world;
    ASSERT_EQ(test::logIn("Me"), 0);
    LockBytes passing = EncodeLock(LockEntry{"Sales", 1, 1, 1, 5});
    test::writeFile(world.file("locks.log"), std::string(passing.begin(), passing.end()));
    test::ChildProcess claim = world.start("c", {"holdfile USR00001.LOG", "signal in", "hold"});
    ASSERT_TRUE(world.waitFor("c", "in"));
    Locked waited = lock("Sales", 1);
    EXPECT_EQ(waited.code, kLockFileOpen);
    EXPECT_EQ(waited.value, -7);  // not written
    claim.kill();
    claim.wait();
    EXPECT_EQ(lock("Sales", 1).code, kOk);  // the holder is dead now: cleared
}

TEST(LockNLD, ALostLoginExplainsAnyFailure) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows lets no other process overwrite or delete a per-user file while its "
                    "holder has it open without sharing";
#endif
    // The per-user file taken over by another process, emptied, or deleted.
    const char* const spoils[] = {"\x01\x02\x03\x04", "", nullptr};
    for (const char* spoil : spoils) {
        SCOPED_TRACE(spoil ? std::to_string(std::string(spoil).size()) : "deleted");
        LockingWorld world;
        ASSERT_EQ(test::logIn("Ann"), 0);
        ASSERT_EQ(lock("Budget", 5).code, kOk);
        ASSERT_EQ(lock("Budget", 5).code, kConflict);
        ASSERT_EQ(ReleaseNLD(5), kShortRead);
        if (spoil) test::writeFile(world.file("USR00000.LOG"), spoil);
        else std::filesystem::remove(world.file("USR00000.LOG"));
        EXPECT_EQ(lock("Budget", 5).code, kLoginLost);
        EXPECT_EQ(ReleaseNLD(5), kLoginLost);
        EXPECT_EQ(lock("Other", 5).code, kOk);  // what succeeds is not explained away
    }
}

TEST(LockNLD, BadArgumentsChangeNoFile) {
    LockingWorld world;
    int32_t value = 42;
    EXPECT_EQ(LockNLD(std::string(32, 'n').c_str(), 1, 1, 5, &value, nullptr), kRange);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(lock("early", 5).code, kNotLoggedIn);  // before LogIn
    EXPECT_FALSE(test::exists(world.file("locks.log")));
    test::logIn("Ann");
    ASSERT_EQ(lock(std::string(31, 'm'), 5).code, kOk);
    EXPECT_EQ(world.locks().at(0).name, std::string(31, 'm'));
    const std::string before = test::readFile(world.file("locks.log"));
    EXPECT_EQ(ReleaseNLD(INT32_MIN), kCannotSeek);
    EXPECT_EQ(test::readFile(world.file("locks.log")), before);
}

TEST(LockNLD, DamagedLockFilesAreLeftForLogInToClean) {
    LockingWorld world;  // four slots
    test::logIn("Ann");
    test::writeFile(world.file("locks.log"), std::string(50, 'x'));
    EXPECT_EQ(lock("A", 1).code, kBadFileSize);
    EXPECT_EQ(ReleaseNLD(1), kBadFileSize);
    EXPECT_EQ(test::readFile(world.file("locks.log")), std::string(50, 'x'));

    LockBytes stray = EncodeLock(LockEntry{"Sales", 1, 1, 99, 5});  // an owner out of range
    test::writeFile(world.file("locks.log"), std::string(stray.begin(), stray.end()));
    EXPECT_EQ(lock("Sales", 1).code, kShortRead);  // the holder has no record
    EXPECT_EQ(ReleaseNLD(1), kShortRead);
    EXPECT_EQ(world.locks().at(0).owner, 99u);
    test::ChildProcess other = world.start("k", {"login Bob"});  // its clean-up frees the record
    ASSERT_EQ(other.wait(), 0);
    EXPECT_EQ(lock("Sales", 1).code, kOk);
}

}  // namespace
}  // namespace zrt
