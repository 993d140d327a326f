#include "locking/liveness.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "locking/lock_codes.h"
#include "locking_world.h"

namespace zrt {
namespace {

using test::LockingWorld;

// A live slot's file is neither taken nor emptied: see the LogIn test of running out of slots.
TEST(LockRecord, TakesALeftOverFileAndHoldsOneAtATime) {
    LockingWorld world;
    RootObject& root = world.root();
    test::writeFile(world.file("USR00002.LOG"), "left over by a dead process");
    ASSERT_EQ(LockRecord(2, root), kOk);
    uint8_t mine[4] = {};  // read through the handle: the file admits no second open
    uint32_t got = 0;
    ASSERT_EQ(root.locking.userFile.readAt(0, mine, 4, got), platform::kOk);
    EXPECT_EQ(LoadLittle32(mine), root.processId);
    EXPECT_EQ(std::filesystem::file_size(world.file("USR00002.LOG")), 4u);
    EXPECT_EQ(LockRecord(3, root), kSlotHeld);  // one per-user file per process
    EXPECT_EQ(UnlockRecord(2, root), kOk);
    EXPECT_FALSE(test::exists(world.file("USR00002.LOG")));
    EXPECT_EQ(UnlockRecord(2, root), kNoUserFile);
    bool alive = true;
    EXPECT_EQ(isLocked(3, root, alive), kOk);  // never created
    EXPECT_FALSE(alive);
}

}  // namespace
}  // namespace zrt
