#include "locking/liveness.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "locking/lock_codes.h"
#include "locking_world.h"

namespace zrt {
namespace {

using test::LockingWorld;

// A live slot's file is neither taken nor emptied: see the LogIn test of running out of slots.
TEST(ClaimSlot, TakesALeftOverFileWhichBecomesOneLoginAtATime) {
    LockingWorld world;
    RootObject& root = world.root();
    test::writeFile(world.file("USR00002.LOG"), "left over by a dead process");
    platform::File claim, second;
    bool claimed = false;
    ASSERT_EQ(ClaimSlot(2, root, claim, claimed), kOk);
    ASSERT_TRUE(claimed);
    EXPECT_EQ(ClaimSlot(2, root, second, claimed), kOk);  // held, if only by a claim
    EXPECT_FALSE(claimed);
    EXPECT_TRUE(IsClaimed(2, root));
    ASSERT_EQ(TakeClaim(2, root, claim), kOk);
    EXPECT_FALSE(IsClaimed(2, root));  // a login shares nothing
    uint8_t mine[4] = {};  // read through the handle: the file admits no second open
    uint32_t got = 0;
    ASSERT_EQ(root.locking->userFile.readAt(0, mine, 4, got), platform::kOk);
    EXPECT_EQ(LoadLittle32(mine), root.processId);
    EXPECT_EQ(std::filesystem::file_size(world.file("USR00002.LOG")), 4u);
    ASSERT_EQ(ClaimSlot(3, root, second, claimed), kOk);
    EXPECT_EQ(TakeClaim(3, root, second), kSlotHeld);  // one per-user file per process
    ReleaseClaim(3, root, second);
    EXPECT_EQ(UnlockRecord(2, root), kOk);
    EXPECT_FALSE(test::exists(world.file("USR00002.LOG")));
    EXPECT_EQ(UnlockRecord(2, root), kNoUserFile);
    bool alive = true;
    EXPECT_EQ(isLocked(3, root, alive), kOk);  // released again
    EXPECT_FALSE(alive);
}

}  // namespace
}  // namespace zrt
