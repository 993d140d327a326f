// LogIn and LockNLD on a disk that fails at each of their calls in turn: a locking code, and
// the records stored before (a live user and its lock) read back as they were.
#include <gtest/gtest.h>

#include <memory>

#include "locking/lock_codes.h"
#include "locking_world.h"
#include "support/fault_walk.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::LockingWorld;

bool isLockingCode(uint32_t code) { return code >= kUsersFileOpen && code <= kLoginLost; }

class FailingDisk : public ::testing::Test {
protected:
    // A fresh world in which this process is Ann, alive in slot 0 and holding the lock "Kept".
    void prepare() {
        world_.reset();
        world_ = std::make_unique<LockingWorld>(test::WorldOptions{.debugMask = 0});
        ASSERT_EQ(test::logIn("Ann"), 0);
        int32_t handle = 0;
        char user[kUserNameSize];
        ASSERT_EQ(LockNLD("Kept", 1, 1, 5, &handle, user), 0u);
        users_ = test::readFile(world_->file("Users.log")).substr(0, kUserRecordSize);
        locks_ = test::readFile(world_->file("locks.log")).substr(0, kLockRecordSize);
    }
    void expectStoredRecords() {
        EXPECT_EQ(test::readFile(world_->file("Users.log")).substr(0, kUserRecordSize), users_);
        EXPECT_EQ(test::readFile(world_->file("locks.log")).substr(0, kLockRecordSize), locks_);
    }

    std::unique_ptr<LockingWorld> world_;
    std::string users_, locks_;
};

TEST_F(FailingDisk, LogInKeepsTheOtherUsersRecords) {
    for (const platform::FaultPlan& plan : test::kBrokenDisks) {
        test::walkFaults(
            plan, [&] { prepare(); },
            [&] {
                int32_t slot = -1;
                return LogIn(0, &slot, "Bob");
            },
            [&](uint64_t, uint32_t code) {
                EXPECT_TRUE(isLockingCode(code)) << code;
                expectStoredRecords();
            });
    }
}

TEST_F(FailingDisk, LockNLDKeepsTheLocksStoredBefore) {
    for (const platform::FaultPlan& plan : test::kBrokenDisks) {
        test::walkFaults(
            plan, [&] { prepare(); },
            [&] {
                int32_t handle = 0;
                char user[kUserNameSize];
                return LockNLD("New", 1, 1, 5, &handle, user);
            },
            [&](uint64_t, uint32_t code) {
                EXPECT_TRUE(isLockingCode(code)) << code;
                expectStoredRecords();
            });
    }
}

}  // namespace
}  // namespace zrt
