// Delete, move and copy.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::TempDir;
namespace fs = std::filesystem;

namespace {

TEST(Paths, DeleteAndMoveRefuseWhatWindowsRefusesAndMoveNeverReplaces) {
    TempDir dir;
    zrt::test::writeFile(dir.file("readonly"), "");
    zrt::test::makeReadOnly(dir.file("readonly"));
    zrt::test::writeFile(dir.file("a"), "a");
    zrt::test::writeFile(dir.file("b"), "b");
    fs::create_directory(dir.file("sub"));
    EXPECT_EQ(deleteFile(dir.file("sub")), kAccessDenied);
    EXPECT_EQ(deleteFile(dir.file("readonly")), kAccessDenied);
    EXPECT_TRUE(fileExists(dir.file("sub")) && fileExists(dir.file("readonly")));

    EXPECT_EQ(moveFile(dir.file("a"), dir.file("b")), kAlreadyExists);
    EXPECT_EQ(zrt::test::readFile(dir.file("b")), "b");
    EXPECT_EQ(moveFile(dir.file("a"), dir.file("sub/a")), kOk);
    EXPECT_EQ(moveFile(dir.file("sub"), dir.file("moved")), kOk) << "directories move too";
    EXPECT_EQ(zrt::test::readFile(dir.file("moved/a")), "a");
    EXPECT_FALSE(fileExists(dir.file("a")));
}

TEST(Paths, ReplaceTakesTheTargetsPlaceUnlessEitherIsOpen) {
    TempDir dir;
    zrt::test::writeFile(dir.file("new"), "new");
    zrt::test::writeFile(dir.file("old"), "old");
    {
        File held;
        ASSERT_EQ(File::open(dir.file("old"), kRead, kShareReadWrite, Disposition::OpenExisting, held), kOk);
        EXPECT_NE(replaceFile(dir.file("new"), dir.file("old")), kOk);
        EXPECT_EQ(zrt::test::readFile(dir.file("old")), "old");
    }
    EXPECT_EQ(replaceFile(dir.file("new"), dir.file("old")), kOk);
    EXPECT_EQ(zrt::test::readFile(dir.file("old")), "new");
    EXPECT_FALSE(fileExists(dir.file("new")));
    zrt::test::writeFile(dir.file("first"), "1");
    EXPECT_EQ(replaceFile(dir.file("first"), dir.file("nothing there")), kOk);
    EXPECT_EQ(zrt::test::readFile(dir.file("nothing there")), "1");
}

TEST(Paths, MoveAcrossFileSystemsIsRefused) {
#ifdef _WIN32
    GTEST_SKIP() << "no second volume can be counted on";
#else
    TempDir dir;
    const char* other = "/dev/shm";
    struct stat there {}, here {};
    if (stat(other, &there) != 0 || stat(dir.path().c_str(), &here) != 0 ||
        there.st_dev == here.st_dev)
        GTEST_SKIP() << "no second file system at hand";
    zrt::test::writeFile(dir.file("a"), "a");
    std::string target = std::string(other) + "/zrt-move-" + std::to_string(processId());
    EXPECT_EQ(moveFile(dir.file("a"), target), kNotSameDevice);
    EXPECT_TRUE(zrt::test::exists(dir.file("a")));
    EXPECT_FALSE(zrt::test::exists(target));
#endif
}

TEST(Paths, CopyCarriesContentReadOnlyAndTime) {
    TempDir dir;
    std::string from = dir.file("from"), to = dir.file("to");
    zrt::test::writeFile(from, std::string(100000, 'x'));
    zrt::test::setLastWriteTime(from, 1000000000);
    zrt::test::writeFile(to, "old");
    ASSERT_EQ(copyFile(from, to, false), kOk);
    EXPECT_EQ(zrt::test::readFile(to), std::string(100000, 'x'));
    EXPECT_EQ(zrt::test::lastWriteSeconds(to), 1000000000);
    EXPECT_EQ(copyFile(from, from, false), kSharingViolation) << "would empty the source";
    zrt::test::makeReadOnly(to);
    EXPECT_EQ(copyFile(from, to, false), kAccessDenied) << "a read-only target stays";
    zrt::test::makeReadOnly(from);
    ASSERT_EQ(copyFile(from, dir.file("copy"), false), kOk);
    EXPECT_EQ(deleteFile(dir.file("copy")), kAccessDenied) << "read-only comes along";
}

}  // namespace
