#include "locking/conflicts.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

namespace zrt {
namespace {

LockEntry lockOf(const char* name, uint32_t mode, int32_t lib = 1, int32_t dt = 2,
                 uint32_t owner = 0) {
    return LockEntry{name, lib, dt, owner, mode};
}

TEST(NLDConflicts, UseMeetsDenialInEitherDirection) {
    const std::tuple<uint32_t, uint32_t, bool> cases[] = {
        {1, 4, true}, {2, 8, true}, {1, 8, false},
        {0x11, 0x14, true}, {0x10, 0x40, false},  // higher bits play no part
    };
    for (auto [held, asked, conflict] : cases) {
        SCOPED_TRACE(std::to_string(held) + " vs " + std::to_string(asked));
        EXPECT_EQ(NLDConflicts(lockOf("Sales", asked), lockOf("Sales", held)), conflict);
        EXPECT_EQ(NLDConflicts(lockOf("Sales", held), lockOf("Sales", asked)), conflict);
    }
    // Only the same name (no trimming) and library; the host scripts try case and dt.
    EXPECT_FALSE(NLDConflicts(lockOf("Sales", 5), lockOf("Sales ", 5)));
    EXPECT_FALSE(NLDConflicts(lockOf("Sales", 5, 1), lockOf("Sales", 5, 2)));
}

TEST(CheckNLDConflict, FirstConflictingRecordAndFreeMarks) {
    std::vector<LockEntry> records = {
        lockOf("A", 5, 1, 2, 0),
        LockEntry{"B", 1, 2, kFree, 15},  // damaged: free owner, but a name and a mode
        lockOf("B", 5, 1, 2, 3),
        lockOf("B", 1, 1, 2, 2),
    };
    LockEntry conflict;
    std::vector<bool> free;
    EXPECT_EQ(CheckNLDConflict(records, lockOf("B", 1), conflict, free), 2);
    EXPECT_EQ(conflict.owner, 3u);
    EXPECT_EQ(CheckNLDConflict(records, lockOf("C", 5), conflict, free), -1);
    EXPECT_EQ(free, (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(FindFreeLock(free), 1u);
    EXPECT_EQ(FindFreeLock({false, false}), 2u);  // none free: appended
}

TEST(LockFileNo, SpreadsOverTwentyFiles) {
    std::set<uint32_t> seen;
    for (int k = 0; k < 2000; ++k)
        seen.insert(LockFileNo(("NLD" + std::to_string(k)).c_str(), k % 7, -k));
    EXPECT_EQ(seen.size(), 20u);
    EXPECT_LT(*seen.rbegin(), 20u);
}

}  // namespace
}  // namespace zrt
