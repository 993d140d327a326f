// LockNLD and ReleaseNLD between real processes on real files.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "locking/formats.h"
#include "locking/lock_codes.h"
#include "locking_world.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::LockingWorld;
using test::WorldOptions;

struct Locked {
    Code code;
    int32_t value;
    std::string user;
};

Locked lock(const std::string& name, uint32_t mode, int32_t lib = 1, int32_t dt = 1) {
    Locked r{0, -7, ""};
    char user[kUserNameSize];
    std::memset(user, '?', sizeof user);
    user[sizeof user - 1] = 0;
    r.code = LockNLD(name.c_str(), lib, dt, mode, &r.value, user);
    r.user = user;
    return r;
}

int32_t logIn(const char* name) {
    int32_t slot = -1;
    EXPECT_EQ(LogIn(0, &slot, name), kOk);
    return slot;
}

TEST(LockNLD, ConflictsByModeInBothOrdersAcrossProcesses) {
    struct Case {
        uint32_t a, b;
        bool conflict;
    };
    // The whole table of modes is in conflicts_test.cpp; here the files and processes matter.
    const Case cases[] = {{1, 1, false}, {1, 4, true}, {2, 4, false}, {0, 15, false}};
    LockingWorld world;
    std::vector<std::string> commands{"login Kid"};
    for (size_t i = 0; i < std::size(cases); ++i) {
        commands.push_back("lock Held" + std::to_string(i) + " 1 1 " + std::to_string(cases[i].a));
        commands.push_back("lock Back" + std::to_string(i) + " 1 1 " + std::to_string(cases[i].b));
    }
    commands.push_back("lock Sales 1 1 5");
    commands.push_back("signal in");
    commands.push_back("hold");
    test::ChildProcess kid = world.start("k", commands);
    ASSERT_TRUE(world.waitFor("k", "in"));
    for (const std::string& line : world.results("k")) ASSERT_EQ(line.substr(0, 2), "0 ") << line;
    logIn("Me");

    auto expect = [&](const std::string& name, uint32_t mode, bool conflict) {
        SCOPED_TRACE(name + " mode " + std::to_string(mode));
        Locked r = lock(name, mode);
        if (conflict) {
            EXPECT_EQ(r.code, kConflict);
            EXPECT_EQ(r.value, int32_t(Crc16Key("Kid")));
            EXPECT_EQ(r.user, "Kid");
        } else {
            ASSERT_EQ(r.code, kOk);
            EXPECT_EQ(r.user, "Me");
            EXPECT_EQ(ReleaseNLD(r.value), kOk);
        }
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        expect("Held" + std::to_string(i), cases[i].b, cases[i].conflict);
        expect("Back" + std::to_string(i), cases[i].a, cases[i].conflict);
    }
    // Names are compared with their case.
    expect("SALES", 5, false);
    expect("sales", 5, false);
    expect("Sales", 1, true);
    Locked other = lock("Sales", 1, 1, 2);  // another dt
    EXPECT_EQ(other.code, kOk);
}

TEST(LockNLD, ConflictWithOurOwnLockNamesUs) {
    LockingWorld world;
    logIn("Ann");
    Locked first = lock("Budget", 5);
    ASSERT_EQ(first.code, kOk);
    EXPECT_EQ(first.value, 1);
    Locked again = lock("Budget", 1);
    EXPECT_EQ(again.code, kConflict);
    EXPECT_EQ(again.value, int32_t(Crc16Key("Ann")));
    EXPECT_EQ(again.user, "Ann");
    EXPECT_EQ(test::locksIn(world.file("locks.log")).size(), 1u);
}

TEST(LockNLD, ADeadUsersLockGivesWayAfterItsLoginIsCleared) {
    WorldOptions options;
    options.multipleLocks = true;
    LockingWorld world(options);
    ASSERT_EQ(logIn("Me"), 0);
    const std::string x = test::nameInLockFile(2, "X"), w = test::nameInLockFile(9, "W");
    test::ChildProcess kid = world.start(
        "k", {"login Kid", "lock " + x + " 1 1 5", "lock " + w + " 1 1 5", "signal in", "hold"});
    ASSERT_TRUE(world.waitFor("k", "in"));
    EXPECT_EQ(lock(x, 1).code, kConflict);  // alive
    kid.kill();
    kid.wait();

    Locked mine = lock(x, 1);
    ASSERT_EQ(mine.code, kOk);
    EXPECT_EQ(mine.value, 20000001);  // the dead lock's record, freed and reused
    EXPECT_EQ(test::locksIn(world.file("locks.log.09")).at(0).owner, kFree);
    EXPECT_EQ(test::userIn(world.file("Users.log"), 1).key, kFree);
    EXPECT_FALSE(test::exists(world.file("USR00001.LOG")));
    EXPECT_EQ(test::locksIn(world.file("locks.log.02")).at(0).owner, 0u);
}

TEST(LockNLD, HandlesCarryTheLockFileNumber) {
    {
        LockingWorld world;
        logIn("Ann");
        EXPECT_EQ(lock("A", 1).value, 1);
        EXPECT_EQ(lock("B", 1).value, 2);
        EXPECT_EQ(ReleaseNLD(1), kOk);
        EXPECT_EQ(lock("C", 1).value, 1);  // the hole is filled first
        EXPECT_EQ(test::locksIn(world.file("locks.log")).size(), 2u);
    }
    WorldOptions options;
    options.multipleLocks = true;
    LockingWorld world(options);
    logIn("Ann");
    const std::string seven = test::nameInLockFile(7);
    Locked r = lock(seven, 1);
    ASSERT_EQ(r.code, kOk);
    EXPECT_EQ(r.value, 70000001);
    EXPECT_EQ(test::locksIn(world.file("locks.log.07")).size(), 1u);
    EXPECT_FALSE(test::exists(world.file("locks.log")));
    EXPECT_EQ(ReleaseNLD(70000001), kOk);
    EXPECT_EQ(test::locksIn(world.file("locks.log.07")).at(0).owner, kFree);
    EXPECT_EQ(ReleaseNLD(200000001), kShortRead);  // there is no file 20
    EXPECT_EQ(ReleaseNLD(-70000001), kShortRead);
}

TEST(ReleaseNLD, FreeRecordsAndRecordsBeyondTheEnd) {
    LockingWorld world;
    logIn("Ann");
    ASSERT_EQ(lock("A", 1).code, kOk);
    ASSERT_EQ(lock("B", 1).code, kOk);
    ASSERT_EQ(ReleaseNLD(1), kOk);
    const std::string before = test::readFile(world.file("locks.log"));
    struct Case {
        int32_t handle;
        Code code;
    };
    const Case cases[] = {{1, kCannotSeek},  // free: its owner has no users-file position
                          {3, kShortRead},   {1000, kShortRead}, {0, kCannotSeek},
                          {-5, kCannotSeek}, {INT32_MIN, kCannotSeek}};
    for (const Case& c : cases) EXPECT_EQ(ReleaseNLD(c.handle), c.code) << c.handle;
    EXPECT_EQ(test::readFile(world.file("locks.log")), before);
}

TEST(LockNLD, ALostLoginExplainsAnyFailure) {
    struct Case {
        const char* name;
        void (*spoil)(const std::string& path);
    };
    const Case cases[] = {
        {"taken over", [](const std::string& p) { test::writeFile(p, "\x01\x02\x03\x04"); }},
        {"deleted", [](const std::string& p) { std::filesystem::remove(p); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LockingWorld world;
        int32_t slot = logIn("Ann");
        ASSERT_EQ(lock("Budget", 5).code, kOk);
        ASSERT_EQ(lock("Budget", 5).code, kConflict);
        ASSERT_EQ(ReleaseNLD(5), kShortRead);
        c.spoil(world.file("USR0000" + std::to_string(slot) + ".LOG"));
        EXPECT_EQ(lock("Budget", 5).code, kLoginLost);
        EXPECT_EQ(ReleaseNLD(5), kLoginLost);
        EXPECT_EQ(lock("Other", 5).code, kOk);  // what succeeds is not explained away
    }
}

TEST(LockNLD, NotLoggedIn) {
    LockingWorld world;
    EXPECT_EQ(lock("A", 1).code, kShortRead);  // no users file
    int32_t mine = logIn("Me");
    test::ChildProcess admin = world.start("k", {"login Admin", "logout " + std::to_string(mine)});
    ASSERT_EQ(admin.wait(), 0);
    ASSERT_EQ(world.results("k").at(1), "0");
    EXPECT_EQ(lock("A", 1).code, kNotLoggedIn);  // our record is gone
    EXPECT_FALSE(world.root().locking.usersFile.isOpen());
    EXPECT_EQ(lock("A", 1).code, kShortRead);
}

TEST(LockNLD, RefusesOverlongNamesBeforeTouchingAnyFile) {
    LockingWorld world;
    int32_t value = 42;
    EXPECT_EQ(LockNLD(std::string(32, 'n').c_str(), 1, 1, 5, &value, nullptr), kRange);
    EXPECT_EQ(LockNLD(nullptr, 1, 1, 5, &value, nullptr), kBadType);
    EXPECT_EQ(value, 42);
    EXPECT_FALSE(test::exists(world.file("locks.log")));

    logIn("Ann");
    const std::string longest(31, 'm');
    ASSERT_EQ(lock(longest, 5).code, kOk);
    EXPECT_EQ(test::locksIn(world.file("locks.log")).at(0).name, longest);
}

TEST(LockNLD, DamagedLockFilesAreLeftAsTheyAre) {
    LockingWorld world;
    logIn("Ann");
    test::writeFile(world.file("locks.log"), std::string(50, 'x'));
    EXPECT_EQ(lock("A", 1).code, kBadFileSize);
    EXPECT_EQ(ReleaseNLD(1), kBadFileSize);
    EXPECT_EQ(test::readFile(world.file("locks.log")), std::string(50, 'x'));
}

TEST(LockNLD, AnOwnerOutOfRangeBlocksUntilTheNextLogIn) {
    LockingWorld world;  // four slots
    test::writeFile(world.file("locks.log"), test::lockBytes("Sales", 1, 1, 99, 5));
    logIn("Ann");  // its clean-up walk frees slot 0 only and clears the lock file
    EXPECT_EQ(test::locksIn(world.file("locks.log")).size(), 0u);

    test::writeFile(world.file("locks.log"), test::lockBytes("Sales", 1, 1, 99, 5));
    EXPECT_EQ(lock("Sales", 1).code, kShortRead);  // the holder has no record
    EXPECT_EQ(ReleaseNLD(1), kShortRead);
    EXPECT_EQ(test::locksIn(world.file("locks.log")).at(0).owner, 99u);
    test::ChildProcess other = world.start("k", {"login Bob"});
    ASSERT_EQ(other.wait(), 0);
    EXPECT_EQ(lock("Sales", 1).code, kOk);
}

TEST(LockNLD, ABusyLockFileGivesUpAfterRetryLockAttempts) {
    WorldOptions options;
    options.retryLock = 2;
    LockingWorld world(options);
    logIn("Ann");
    test::ChildProcess holder = world.start("h", {"holdfile locks.log", "signal held", "hold"});
    ASSERT_TRUE(world.waitFor("h", "held"));
    const int retriesBefore = test::countLogLines("OpenLockFile: retrying");
    EXPECT_EQ(lock("A", 1).code, kLockFileOpen);
    EXPECT_EQ(ReleaseNLD(1), kLockFileOpen);
    EXPECT_EQ(test::countLogLines("OpenLockFile: retrying") - retriesBefore, 2);  // one each
}

}  // namespace
}  // namespace zrt
