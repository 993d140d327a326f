// The seam through which tests make the disk fail.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::TempDir;

namespace {

struct Disarm {
    ~Disarm() { disarmFaults(); }
};

// Each operation fails when its turn comes, as the plan's kind says, and only the operations
// named are counted.
TEST(InjectedFaults, TheNthCallOfTheNamedOperationsFailsAsAsked) {
    TempDir dir;
    const std::string path = dir.file("f"), moved = dir.file("g");
    zrt::test::writeFile(path, "0123456789");
    Disarm disarm;
    File f;
    uint32_t moveCount = 0;

    // Opening what exists is no create; CreateAlways is.
    armFaults({kFaultCreate, 1, 1, FaultKind::DiskFull});
    ASSERT_EQ(File::open(path, kReadWrite, kShareReadWrite, Disposition::OpenExisting, f), kOk);
    EXPECT_EQ(File::open(dir.file("new"), kReadWrite, kShareReadWrite, Disposition::CreateAlways, f),
              kDiskFull);
    EXPECT_FALSE(zrt::test::exists(dir.file("new")));
    ASSERT_EQ(File::open(path, kReadWrite, kShareReadWrite, Disposition::OpenExisting, f), kOk);

    // The second write fails and writes nothing; reads are not counted.
    armFaults({kFaultWrite, 2, 1, FaultKind::IoError});
    char buffer[10];
    uint32_t n = 0;
    EXPECT_EQ(f.writeAt(0, "ab", 2, n), kOk);
    EXPECT_EQ(f.readAt(0, buffer, 10, n), kOk);
    EXPECT_EQ(n, 10u);
    EXPECT_EQ(f.writeAt(2, "cd", 2, n), kWriteFault);
    EXPECT_EQ(f.writeAt(4, "ef", 2, n), kOk);  // one failure only
    EXPECT_EQ(faultCallsSeen(), 3u);
    EXPECT_EQ(faultsInjected(), 1u);

    // A short transfer moves half and says so only by its count.
    armFaults({kFaultRead | kFaultWrite, 1, 2, FaultKind::Short});
    EXPECT_EQ(f.writeAt(6, "WXYZ", 4, n), kOk);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(f.readAt(0, buffer, 10, n), kOk);
    EXPECT_EQ(n, 5u);
    EXPECT_EQ(f.close(), kOk);
    EXPECT_EQ(zrt::test::readFile(path), "ab23efWX89");

    // From the first call on, for good: no map, no move, no delete.
    armFaults({kFaultMap | kFaultRename | kFaultDelete, 1, UINT64_MAX, FaultKind::IoError});
    ASSERT_EQ(File::open(path, kRead, kShareReadWrite, Disposition::OpenExisting, f), kOk);
    Mapping m;
    EXPECT_EQ(Mapping::map(f, false, m), kReadFault);
    f.close();
    EXPECT_EQ(moveFile(path, moved), kWriteFault);
    EXPECT_EQ(deleteFile(path), kWriteFault);
    moveCount = static_cast<uint32_t>(faultCallsSeen());
    EXPECT_EQ(moveCount, 3u);
    disarmFaults();
    EXPECT_EQ(moveFile(path, moved), kOk);
    EXPECT_EQ(deleteFile(moved), kOk);
}

}  // namespace
