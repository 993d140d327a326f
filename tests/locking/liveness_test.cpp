#include "locking/liveness.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "locking/lock_codes.h"
#include "locking_world.h"

namespace zrt {
namespace {

using test::LockingWorld;

TEST(LockRecord, TakesALeftOverFileButNotALiveOne) {
    LockingWorld world;
    RootObject& root = world.root();
    test::writeFile(world.file("USR00002.LOG"), "left over by a dead process");
    test::ChildProcess child = world.start("a", {"login Ann", "signal in", "hold"});
    ASSERT_TRUE(world.waitFor("a", "in"));
    // Windows lets no one read a file its holder opened without sharing; its size shows.
    const std::string childFile = world.file("USR00000.LOG");
    ASSERT_EQ(std::filesystem::file_size(childFile), 4u);
    bool alive = false;
    EXPECT_EQ(isLocked(0, root, alive), kOk);
    EXPECT_TRUE(alive);
    EXPECT_EQ(LockRecord(0, root), kSlotHeld);
    EXPECT_EQ(std::filesystem::file_size(childFile), 4u);  // not emptied
    EXPECT_FALSE(root.locking.userFile.isOpen());

    ASSERT_EQ(LockRecord(2, root), kOk);
    uint8_t mine[4];  // read through the handle: the file admits no second open
    uint32_t got = 0;
    ASSERT_EQ(root.locking.userFile.readAt(0, mine, 4, got), platform::kOk);
    ASSERT_EQ(got, 4u);
    EXPECT_EQ(LoadLittle32(mine), root.processId);
    EXPECT_EQ(LockRecord(3, root), kSlotHeld);  // one per-user file per process
    EXPECT_EQ(UnlockRecord(2, root), kOk);
    EXPECT_FALSE(test::exists(world.file("USR00002.LOG")));
    EXPECT_EQ(UnlockRecord(2, root), kNoUserFile);
    EXPECT_EQ(isLocked(3, root, alive), kOk);  // never created
    EXPECT_FALSE(alive);
}

TEST(isLocked, OwnLoginIsLostWhenItsFileNoLongerHoldsOurId) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows lets no other process write or delete a per-user file while its "
                    "holder has it open without sharing";
#endif
    // Taken over by another process: see LockNLD.ALostLoginExplainsAnyFailure.
    using Spoil = void (*)(const std::string& path);
    const std::pair<const char*, Spoil> cases[] = {
        {"emptied", [](const std::string& p) { test::writeFile(p, ""); }},
        {"deleted", [](const std::string& p) { std::filesystem::remove(p); }},
    };
    for (auto [name, spoil] : cases) {
        SCOPED_TRACE(name);
        LockingWorld world;
        ASSERT_EQ(LockRecord(1, world.root()), kOk);
        world.root().locking.ownSlot = 1;
        spoil(world.file("USR00001.LOG"));
        bool alive = false;
        EXPECT_EQ(isLocked(1, world.root(), alive), kLoginLost);
        EXPECT_TRUE(alive);
    }
}

}  // namespace
}  // namespace zrt
