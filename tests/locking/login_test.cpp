// LogIn and LogOut between real processes on real files.
#include <gtest/gtest.h>

#include <filesystem>

#include "locking/lock_codes.h"
#include "locking_world.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::LockingWorld;

TEST(LogIn, TakesTheFirstSlotAndHoldsItsFilesUntilLogOut) {
    LockingWorld world;
    // Nobody has it open: the first login starts from a fresh file.
    test::writeFile(world.file("Users.log"), "damaged");
    ASSERT_EQ(test::logIn("Ann"), 0);
    EXPECT_EQ(test::readFile(world.file("Users.log")).size(), 4 * kUserRecordSize);
    EXPECT_EQ(world.user(0).key, Crc16Key("Ann"));
    EXPECT_EQ(world.user(0).processId, world.root().processId);
    EXPECT_EQ(platform::deleteFile(world.file("Users.log")), platform::kSharingViolation);

    EXPECT_EQ(LogOut(0), kOk);
    EXPECT_EQ(world.user(0).key, kFree);
    EXPECT_EQ(platform::deleteFile(world.file("Users.log")), platform::kOk);  // closed
}

TEST(LogIn, EachLoginTakesAFurtherSlotUntilNoneIsFree) {
    for (uint32_t maxUsers : {0u, 2u}) {
        SCOPED_TRACE(maxUsers);
        LockingWorld world({.maxUsers = maxUsers});
        for (uint32_t k = 0; k < maxUsers; ++k) EXPECT_EQ(test::logIn("Ann"), int32_t(k));
        // Another process finds every slot alive: the second login kept the first one's file.
        test::ChildProcess late = world.start("c", {"login Late"});
        EXPECT_EQ(late.wait(), 0);
        EXPECT_EQ(world.output("c"), "10112 " + std::to_string(maxUsers) + "\n");
        if (maxUsers) {  // Windows shows the size of a file held without sharing
            EXPECT_EQ(std::filesystem::file_size(world.file("USR00000.LOG")), 4u);  // not emptied
        }
    }
}

// A slot held with a free record is being taken or cleared by another process: LogIn waits for
// it rather than report that no slot is free.
TEST(LogIn, WaitsForASlotInPassing) {
    LockingWorld world({.maxUsers = 1});
    test::ChildProcess claim = world.start("c", {"holdfile USR00000.LOG", "signal in", "hold"});
    ASSERT_TRUE(world.waitFor("c", "in"));
    test::ChildProcess late = world.start("l", {"signal start", "login Late"});
    ASSERT_TRUE(world.waitFor("l", "start"));
    test::pauseMicroseconds(100000);
    claim.kill();
    claim.wait();
    EXPECT_EQ(late.wait(), 0);
    EXPECT_EQ(world.output("l"), "0 0\n");
}

TEST(LogIn, RefusesCallsBeforeInitAndTakesTheLongestName) {
    {
        test::LibraryEnv env;
        int32_t slot = 0;
        EXPECT_EQ(LogIn(0, &slot, "Ann"), kNoRoot);
        EXPECT_EQ(slot, -1);
        EXPECT_EQ(LogOut(0), kNoRoot);
    }
    LockingWorld world;
    EXPECT_EQ(LogIn(0, nullptr, nullptr), kBadType);
    EXPECT_FALSE(test::exists(world.file("Users.log")));
    const std::string longest(1027, 'm');
    ASSERT_EQ(LogIn(0, nullptr, longest.c_str()), kOk);
    EXPECT_EQ(world.user(0).name, longest);
}

TEST(LogIn, ReclaimsTheFirstDeadSlotAndClearsItsLocks) {
    for (bool multiple : {false, true}) {
        SCOPED_TRACE(multiple);
        LockingWorld world({.multipleLocks = multiple});
        // With twenty files: Ann's locks in files 3 and 5, Bob's in 5 after Ann's first one.
        const std::string x = test::nameInLockFile(5, "X"), y = test::nameInLockFile(5, "Y"),
                          z = test::nameInLockFile(3, "Z");
        test::ChildProcess ann = world.start("a", {"login Ann", "lock " + x + " 1 1 5", "signal x",
                                                   "wait y", "lock " + z + " 1 1 5", "signal in",
                                                   "hold"});
        ASSERT_TRUE(world.waitFor("a", "x"));
        int32_t handle = 0;
        ASSERT_EQ(test::logIn("Bob"), 1);
        ASSERT_EQ(LockNLD(y.c_str(), 1, 1, 5, &handle, nullptr), kOk);
        test::writeFile(world.file("a.y"), "");
        ASSERT_TRUE(world.waitFor("a", "in"));
        ASSERT_EQ(world.output("a"), multiple ? "0 0\n0 50000001 Ann\n0 30000001 Ann\n"
                                              : "0 0\n0 1 Ann\n0 3 Ann\n");
        ann.kill();
        ann.wait();

        EXPECT_EQ(test::logIn("Cy"), 0);  // Ann's; a second login of ours: Bob stays
        EXPECT_EQ(world.user(0).name, "Cy");
        EXPECT_EQ(world.user(1).name, "Bob");
        std::vector<LockEntry> locks = world.locks(multiple ? "locks.log.05" : "locks.log");
        ASSERT_EQ(locks.size(), 2u);  // cut after Bob's lock
        EXPECT_EQ(locks[0].owner, kFree);
        EXPECT_EQ(locks[1].owner, 1u);
        EXPECT_EQ(locks[1].name, y);
        if (multiple) {
            EXPECT_EQ(test::readFile(world.file("locks.log.03")), "");
        }
    }
}

// A child holds the users file and logs us out; we then find ourselves logged out.
TEST(LogIn, OtherProcessesHoldTheUsersFileAndMayLogUsOut) {
    LockingWorld world;
    test::ChildProcess a =
        world.start("a", {"login Ann", "signal in", "wait go", "logout 1", "signal done", "hold"});
    ASSERT_TRUE(world.waitFor("a", "in"));
    world.writeIni({.maxUsers = 5});  // the held file cannot be made anew with five slots
    EXPECT_EQ(LogIn(0, nullptr, "Bob"), kBadFileSize);
    EXPECT_FALSE(world.root().locking->usersFile.isOpen());  // a failed login holds nothing

    world.writeIni({});
    ASSERT_EQ(test::logIn("Me"), 1);
    int32_t handle = 0;
    ASSERT_EQ(LockNLD("Sales", 1, 2, 5, &handle, nullptr), kOk);
    test::writeFile(world.file("a.go"), "");
    ASSERT_TRUE(world.waitFor("a", "done"));
    EXPECT_EQ(world.output("a"), "0 0\n0\n");
    EXPECT_EQ(world.locks().at(0).owner, kFree);
    EXPECT_EQ(world.user(1).key, kFree);
    EXPECT_FALSE(test::exists(world.file("USR00000.LOG")));  // Ann's login ended
    EXPECT_TRUE(test::exists(world.file("USR00001.LOG")));   // we still hold ours

    EXPECT_EQ(LockNLD("Costs", 1, 2, 5, &handle, nullptr), kNotLoggedIn);
    EXPECT_FALSE(world.root().locking->usersFile.isOpen());
    EXPECT_EQ(LockNLD("Costs", 1, 2, 5, &handle, nullptr), kNotLoggedIn);  // no users file now
}

TEST(LogIn, MissingDirectoriesCannotHoldTheFiles) {
    {
        LockingWorld world({.logins = "none/Users.log"});
        EXPECT_EQ(LogIn(0, nullptr, "Ann"), kCannotCreate);
    }
    LockingWorld world({.locks = "none/locks.log"});
    int32_t slot = test::logIn("Ann"), lock = 0;  // the lock files are not its business
    EXPECT_EQ(LockNLD("Sales", 1, 2, 5, &lock, nullptr), kLockFileOpen);
    EXPECT_EQ(ReleaseNLD(1), kLockFileOpen);
    EXPECT_EQ(LogOut(slot), kLockFileOpen);
    EXPECT_FALSE(world.root().locking->userFile.isOpen());  // logged out all the same
}

}  // namespace
}  // namespace zrt
