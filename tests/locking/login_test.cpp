// LogIn and LogOut between real processes on real files.
#include <gtest/gtest.h>

#include "locking/formats.h"
#include "locking/lock_codes.h"
#include "locking_world.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::LockingWorld;
using test::WorldOptions;

TEST(LogIn, TakesTheFirstSlotAndHoldsItsFilesUntilLogOut) {
    LockingWorld world;
    int32_t slot = 99;
    ASSERT_EQ(LogIn(0, &slot, "Ann"), kOk);
    EXPECT_EQ(slot, 0);
    EXPECT_EQ(test::readFile(world.file("Users.log")).size(), 4 * kUserRecordSize);
    test::UserOnDisk me = test::userIn(world.file("Users.log"), 0);
    EXPECT_EQ(me.key, Crc16Key("Ann"));
    EXPECT_EQ(me.processId, world.root().processId);
    EXPECT_EQ(me.name, "Ann");
    EXPECT_EQ(test::userIn(world.file("Users.log"), 1).key, kFree);
    EXPECT_EQ(platform::deleteFile(world.file("Users.log")), platform::kSharingViolation);

    EXPECT_EQ(LogOut(0), kOk);
    EXPECT_EQ(test::userIn(world.file("Users.log"), 0).key, kFree);
    EXPECT_EQ(platform::deleteFile(world.file("Users.log")), platform::kOk);  // closed
    EXPECT_EQ(LogOut(0), kShortRead);  // no users file any more
}

TEST(LogIn, EachLoginTakesAFurtherSlotUntilNoneIsFree) {
    for (uint32_t maxUsers : {0u, 2u}) {
        SCOPED_TRACE(maxUsers);
        WorldOptions options;
        options.maxUsers = maxUsers;
        LockingWorld world(options);
        int32_t slot = -5;
        for (uint32_t k = 0; k < maxUsers; ++k) {
            ASSERT_EQ(LogIn(0, &slot, "Ann"), kOk);
            EXPECT_EQ(slot, int32_t(k));
        }
        // Another process finds every slot alive: the second login kept the first one's file.
        test::ChildProcess late = world.start("c", {"login Late"});
        EXPECT_EQ(late.wait(), 0);
        EXPECT_EQ(world.results("c").at(0), "10112 " + std::to_string(maxUsers));
        EXPECT_EQ(LogIn(0, &slot, "Late"), kNoFreeSlot);
        EXPECT_EQ(slot, int32_t(maxUsers));
        EXPECT_FALSE(world.root().locking.usersFile.isOpen());
        EXPECT_FALSE(world.root().locking.userFile.isOpen());
    }
}

TEST(LogIn, RefusesOverlongNamesBeforeTouchingAnyFile) {
    LockingWorld world;
    int32_t slot = 5;
    EXPECT_EQ(LogIn(0, &slot, std::string(1028, 'n').c_str()), kRange);
    EXPECT_EQ(LogIn(0, &slot, nullptr), kBadType);
    EXPECT_FALSE(test::exists(world.file("Users.log")));
    EXPECT_EQ(LogIn(0, nullptr, "NoOutput"), kOk);
    EXPECT_EQ(LogOut(world.root().locking.ownSlot), kOk);

    const std::string longest(1027, 'm');
    ASSERT_EQ(LogIn(0, &slot, longest.c_str()), kOk);
    EXPECT_EQ(test::userIn(world.file("Users.log"), slot).name, longest);
}

TEST(LogIn, NeedsInit) {
    test::LibraryEnv env;
    int32_t slot = 0;
    EXPECT_EQ(LogIn(0, &slot, "Ann"), kNoRoot);
    EXPECT_EQ(slot, -1);
    EXPECT_EQ(LogOut(0), kNoRoot);
}

TEST(LogIn, ReclaimsTheFirstDeadSlotAndClearsItsLocks) {
    for (bool multiple : {false, true}) {
        SCOPED_TRACE(multiple);
        WorldOptions options;
        options.multipleLocks = multiple;
        LockingWorld world(options);
        // With twenty files: Ann's locks in files 3 and 5, Bob's in 5 after Ann's first one.
        const std::string x = test::nameInLockFile(5, "X"), y = test::nameInLockFile(5, "Y"),
                          z = test::nameInLockFile(3, "Z");
        test::ChildProcess ann = world.start("a", {"login Ann", "lock " + x + " 1 1 5", "signal x",
                                                   "wait y", "lock " + z + " 1 1 5", "signal in",
                                                   "hold"});
        ASSERT_TRUE(world.waitFor("a", "x"));
        int32_t slot = -1, handle = 0;
        ASSERT_EQ(LogIn(0, &slot, "Bob"), kOk);
        ASSERT_EQ(LockNLD(y.c_str(), 1, 1, 5, &handle, nullptr), kOk);
        test::writeFile(world.file("a.y"), "");
        ASSERT_TRUE(world.waitFor("a", "in"));
        ASSERT_EQ(world.results("a").at(2).substr(0, 2), "0 ");
        ann.kill();
        ann.wait();

        ASSERT_EQ(LogIn(0, &slot, "Cy"), kOk);  // a second login of ours: Bob stays
        EXPECT_EQ(slot, 0);                     // Ann's
        EXPECT_EQ(test::userIn(world.file("Users.log"), 0).name, "Cy");
        EXPECT_EQ(test::userIn(world.file("Users.log"), 1).name, "Bob");
        const std::string five = multiple ? "locks.log.05" : "locks.log";
        std::vector<test::LockOnDisk> locks = test::locksIn(world.file(five));
        ASSERT_EQ(locks.size(), 2u);  // cut after Bob's lock
        EXPECT_EQ(locks[0].owner, kFree);
        EXPECT_EQ(locks[0].name, "");
        EXPECT_EQ(locks[1].owner, 1u);
        EXPECT_EQ(locks[1].name, y);
        if (multiple) {
            EXPECT_EQ(test::readFile(world.file("locks.log.03")), "");
        }
    }
}

TEST(LogIn, ChangedMaxUsersWhileOthersHoldTheUsersFile) {
    LockingWorld world;
    test::ChildProcess a = world.start("a", {"login Ann", "signal in", "hold"});
    ASSERT_TRUE(world.waitFor("a", "in"));
    WorldOptions more;
    more.maxUsers = 5;
    world.writeIni(more);
    int32_t slot = 0;
    EXPECT_EQ(LogIn(0, &slot, "Bob"), kBadFileSize);
    EXPECT_EQ(slot, -1);
    EXPECT_FALSE(world.root().locking.usersFile.isOpen());
    EXPECT_EQ(test::readFile(world.file("Users.log")).size(), 4 * kUserRecordSize);
}

TEST(LogIn, StartsFromAFreshUsersFileWhenNobodyHasItOpen) {
    LockingWorld world;
    test::writeFile(world.file("Users.log"), "damaged");
    int32_t slot = -1;
    EXPECT_EQ(LogIn(0, &slot, "Ann"), kOk);
    EXPECT_EQ(test::readFile(world.file("Users.log")).size(), 4 * kUserRecordSize);
}

TEST(LogOut, OfAnotherSlotReleasesItAndEndsOurOwnLogin) {
    LockingWorld world;
    test::ChildProcess a = world.start("a", {"login Ann", "lock Sales 1 2 5", "signal in", "hold"});
    ASSERT_TRUE(world.waitFor("a", "in"));
    ASSERT_EQ(world.results("a").at(1), "0 1 Ann");
    int32_t slot = -1;
    ASSERT_EQ(LogIn(0, &slot, "Admin"), kOk);
    ASSERT_EQ(slot, 1);

    EXPECT_EQ(LogOut(0), kOk);
    EXPECT_EQ(test::locksIn(world.file("locks.log")).at(0).owner, kFree);
    EXPECT_EQ(test::userIn(world.file("Users.log"), 0).key, kFree);
    EXPECT_TRUE(test::exists(world.file("USR00000.LOG")));  // Ann still holds it
    EXPECT_FALSE(test::exists(world.file("USR00001.LOG")));
    EXPECT_FALSE(world.root().locking.usersFile.isOpen());
    EXPECT_FALSE(world.root().locking.userFile.isOpen());
}

TEST(LogIn, MissingDirectoriesCannotHoldTheFiles) {
    {
        WorldOptions options;
        options.logins = "none/Users.log";
        LockingWorld world(options);
        int32_t slot = 0;
        EXPECT_EQ(LogIn(0, &slot, "Ann"), kCannotCreate);
        EXPECT_EQ(slot, -1);
    }
    WorldOptions options;
    options.locks = "none/locks.log";
    LockingWorld world(options);
    int32_t slot = -1, lock = 0;
    ASSERT_EQ(LogIn(0, &slot, "Ann"), kOk);  // the lock files are not its business
    EXPECT_EQ(LockNLD("Sales", 1, 2, 5, &lock, nullptr), kLockFileOpen);
    EXPECT_EQ(ReleaseNLD(1), kLockFileOpen);
    EXPECT_EQ(LogOut(slot), kLockFileOpen);
    EXPECT_FALSE(world.root().locking.userFile.isOpen());  // logged out all the same
}

}  // namespace
}  // namespace zrt
