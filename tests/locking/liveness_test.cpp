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
    const std::string childFile = test::readFile(world.file("USR00000.LOG"));
    ASSERT_EQ(childFile.size(), 4u);
    bool alive = false;
    EXPECT_EQ(isLocked(0, root, alive), kOk);
    EXPECT_TRUE(alive);
    EXPECT_EQ(LockRecord(0, root), kSlotHeld);
    EXPECT_EQ(test::readFile(world.file("USR00000.LOG")), childFile);  // not emptied
    EXPECT_FALSE(root.locking.userFile.isOpen());

    ASSERT_EQ(LockRecord(2, root), kOk);
    std::string mine = test::readFile(world.file("USR00002.LOG"));
    ASSERT_EQ(mine.size(), 4u);
    EXPECT_EQ(LoadLittle32(reinterpret_cast<const uint8_t*>(mine.data())), root.processId);
    EXPECT_EQ(LockRecord(3, root), kSlotHeld);  // one per-user file per process
    EXPECT_EQ(UnlockRecord(2, root), kOk);
    EXPECT_FALSE(test::exists(world.file("USR00002.LOG")));
    EXPECT_EQ(UnlockRecord(2, root), kNoUserFile);
    EXPECT_EQ(isLocked(3, root, alive), kOk);  // never created
    EXPECT_FALSE(alive);
}

TEST(isLocked, OwnLoginIsLostWhenItsFileNoLongerHoldsOurId) {
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
