// LogIn and LogOut between real processes on real files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "frame/log.h"
#include "locking/conflicts.h"
#include "locking/formats.h"
#include "locking/liveness.h"
#include "locking/lock_codes.h"
#include "locking_world.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::LockingWorld;
using test::WorldOptions;

TEST(LogIn, TakesTheFirstSlotAndHoldsItsFileUntilLogOut) {
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
    EXPECT_TRUE(test::exists(world.file("USR00000.LOG")));
    EXPECT_EQ(platform::deleteFile(world.file("Users.log")), platform::kSharingViolation);

    EXPECT_EQ(LogOut(0), kOk);
    EXPECT_EQ(test::userIn(world.file("Users.log"), 0).key, kFree);
    EXPECT_FALSE(test::exists(world.file("USR00000.LOG")));
    EXPECT_EQ(platform::deleteFile(world.file("Users.log")), platform::kOk);  // closed
    EXPECT_EQ(LogOut(0), kShortRead);  // no users file any more
}

TEST(LogIn, NoFreeSlotGivesMaxUsers) {
    for (uint32_t maxUsers : {0u, 2u}) {
        SCOPED_TRACE(maxUsers);
        WorldOptions options;
        options.maxUsers = maxUsers;
        LockingWorld world(options);
        std::vector<test::ChildProcess> children;
        for (uint32_t k = 0; k < maxUsers; ++k) {
            std::string name = "c" + std::to_string(k);
            children.push_back(world.start(name, {"login " + name, "signal in", "hold"}));
            ASSERT_TRUE(world.waitFor(name, "in"));
            ASSERT_EQ(world.results(name).at(0), "0 " + std::to_string(k));
        }
        int32_t slot = -5;
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
    EXPECT_EQ(slot, -1);
    EXPECT_FALSE(test::exists(world.file("Users.log")));
    EXPECT_EQ(LogIn(0, &slot, nullptr), kBadType);
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
        // With twenty files: a's locks in files 3 and 5, b's in 5 after a's first one.
        const std::string x = test::nameInLockFile(5, "X"), y = test::nameInLockFile(5, "Y"),
                          z = test::nameInLockFile(3, "Z");
        test::ChildProcess a = world.start("a", {"login Ann", "lock " + x + " 1 1 5", "signal x",
                                                 "wait y", "lock " + z + " 1 1 5", "signal in",
                                                 "hold"});
        ASSERT_TRUE(world.waitFor("a", "x"));
        test::ChildProcess b = world.start("b", {"login Bob", "lock " + y + " 1 1 5", "signal in",
                                                 "hold"});
        ASSERT_TRUE(world.waitFor("b", "in"));
        test::writeFile(world.file("a.y"), "");
        ASSERT_TRUE(world.waitFor("a", "in"));
        ASSERT_EQ(world.results("a").at(2).substr(0, 2), "0 ");
        a.kill();
        a.wait();

        int32_t slot = -1;
        ASSERT_EQ(LogIn(0, &slot, "Cy"), kOk);
        EXPECT_EQ(slot, 0);  // Ann's
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
        EXPECT_EQ(LogOut(slot), kOk);
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

TEST(LogIn, ASecondLoginTakesAFurtherSlotAndKeepsTheFirstAlive) {
    LockingWorld world;
    int32_t first = -1, second = -1;
    ASSERT_EQ(LogIn(0, &first, "Ann"), kOk);
    ASSERT_EQ(LogIn(0, &second, "Ann"), kOk);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    bool alive = false;
    EXPECT_EQ(isLocked(first, world.root(), alive), kOk);
    EXPECT_TRUE(alive);

    // Another process sees both slots taken.
    test::ChildProcess c = world.start("c", {"login Cy"});
    EXPECT_EQ(c.wait(), 0);
    EXPECT_EQ(world.results("c").at(0), "0 2");
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

TEST(LogIn, StartsFromAFreshUsersFileWhenNobodyHasItOpen) {
    LockingWorld world;
    test::writeFile(world.file("Users.log"), "damaged");
    int32_t slot = -1;
    EXPECT_EQ(LogIn(0, &slot, "Ann"), kOk);
    EXPECT_EQ(test::readFile(world.file("Users.log")).size(), 4 * kUserRecordSize);
}

// A directory in which nobody, not even the superuser, may create files; empty when this
// machine has none to offer.
std::string unwritableDirectory(const test::TempDir& scratch) {
    namespace fs = std::filesystem;
    std::string readOnly = scratch.file("readonly");
    fs::create_directory(readOnly);
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::owner_exec);
    for (const std::string& d : {readOnly, std::string("/sys")}) {
        std::string probe = d + "/probe";
        platform::File f;
        platform::SysError e = platform::File::open(probe, platform::kReadWrite,
                                                    platform::kShareNone,
                                                    platform::Disposition::CreateNew, f);
        if (e == platform::kAccessDenied) return d;
        if (e == platform::kOk) {
            f.close();
            platform::deleteFile(probe);
        }
    }
    return "";
}

TEST(LogIn, UnwritableDirectories) {
    test::TempDir scratch;
    const std::string readOnly = unwritableDirectory(scratch);
    if (readOnly.empty()) GTEST_SKIP() << "no directory here refuses to create files";
    {
        WorldOptions options;
        options.logins = readOnly + "/Users.log";
        LockingWorld world(options);
        int32_t slot = 0;
        EXPECT_EQ(LogIn(0, &slot, "Ann"), kCannotCreate);
        EXPECT_EQ(slot, -1);
    }
    WorldOptions options;
    options.locks = readOnly + "/locks.log";
    LockingWorld world(options);
    int32_t slot = -1, lock = 0;
    ASSERT_EQ(LogIn(0, &slot, "Ann"), kOk);  // the lock files are not its business
    char user[kUserNameSize] = {};
    EXPECT_EQ(LockNLD("Sales", 1, 2, 5, &lock, user), kLockFileOpen);
    EXPECT_EQ(ReleaseNLD(1), kLockFileOpen);
    EXPECT_EQ(LogOut(slot), kLockFileOpen);
}

}  // namespace
}  // namespace zrt

namespace zrt {
namespace {

// The log's lines from the given one on, each without its 24-character time.
std::vector<std::string> logLinesFrom(size_t first) {
    std::istringstream in(test::readFile(kLogFileName));
    std::vector<std::string> lines;
    size_t n = 0;
    for (std::string line; std::getline(in, line); ++n)
        if (n >= first && line.size() > 24) lines.push_back(line.substr(24));
    return lines;
}

TEST(LogIn, WritesEachStepToTheLog) {
    LockingWorld world;  // debug mask 0x0001000A
    const size_t before = logLinesFrom(0).size();
    int32_t slot = -1;
    ASSERT_EQ(LogIn(0, &slot, "Ann"), kOk);
    const std::vector<std::string> expected = {
        "  UserLogin " + std::to_string(Crc16Key("Ann")),
        " LogIn: DeleteFile Users.log res: 0",
        "  OpenUserFile 4",
        "  CreateUserFile 4",
        "  OpenUserFile 0",
        "  CleanupFiles",
        " Record: 0 User: 4294967295 Lock: 1",
        " OpenLockFile: OpenFile res 2 name locks.log",
        "  CleanupFiles 0",
        "  FindOneSelf 0",
        "  FindUserno 0",
        "  UserSlot 0",
        "  LockRecord 0",
        "  WriteRecord 0",
    };
    EXPECT_EQ(logLinesFrom(before), expected);
}

}  // namespace
}  // namespace zrt
