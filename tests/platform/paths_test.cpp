// Delete, move, copy, attributes, temporary directories and files.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <regex>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::ScopedEnv;
using zrt::test::TempDir;
namespace fs = std::filesystem;

namespace {

TEST(Paths, DeleteRefusesWhatWindowsRefuses) {
    TempDir dir;
    zrt::test::writeFile(dir.file("readonly"), "");
    zrt::test::makeReadOnly(dir.file("readonly"));
    fs::create_directory(dir.file("sub"));
    EXPECT_EQ(deleteFile(dir.file("none")), kFileNotFound);
    EXPECT_EQ(deleteFile(dir.file("none/f")), kPathNotFound);
    EXPECT_EQ(deleteFile(dir.file("sub")), kAccessDenied);
    EXPECT_EQ(deleteFile(dir.file("readonly")), kAccessDenied);
    EXPECT_TRUE(zrt::test::exists(dir.file("sub")));
    EXPECT_TRUE(zrt::test::exists(dir.file("readonly")));
}

TEST(Paths, MoveNeverReplaces) {
    TempDir dir;
    zrt::test::writeFile(dir.file("a"), "a");
    zrt::test::writeFile(dir.file("b"), "b");
    fs::create_directory(dir.file("sub"));
    EXPECT_EQ(moveFile(dir.file("a"), dir.file("b")), kAlreadyExists);
    EXPECT_EQ(zrt::test::readFile(dir.file("b")), "b");
    EXPECT_EQ(moveFile(dir.file("none"), dir.file("c")), kFileNotFound);
    EXPECT_EQ(moveFile(dir.file("a"), dir.file("none/c")), kPathNotFound);
    EXPECT_EQ(moveFile(dir.file("a"), dir.file("sub/a")), kOk);
    EXPECT_EQ(moveFile(dir.file("sub"), dir.file("moved")), kOk) << "directories move too";
    EXPECT_EQ(zrt::test::readFile(dir.file("moved/a")), "a");
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
    EXPECT_EQ(copyFile(from, to, true), kFileExists);
    EXPECT_EQ(zrt::test::readFile(to), "old");
    ASSERT_EQ(copyFile(from, to, false), kOk);
    EXPECT_EQ(zrt::test::readFile(to), std::string(100000, 'x'));
    EXPECT_EQ(zrt::test::lastWriteSeconds(to), 1000000000);
    EXPECT_EQ(copyFile(from, from, false), kSharingViolation) << "would empty the source";
    EXPECT_EQ(zrt::test::readFile(from).size(), 100000u);
    zrt::test::makeReadOnly(to);
    EXPECT_EQ(copyFile(from, to, false), kAccessDenied) << "a read-only target stays";
    EXPECT_EQ(copyFile(dir.path(), dir.file("d"), false), kAccessDenied);

    zrt::test::makeReadOnly(from);
    ASSERT_EQ(copyFile(from, dir.file("copy"), true), kOk);
    uint32_t attributes = 0;
    ASSERT_EQ(fileAttributes(dir.file("copy"), attributes), kOk);
    EXPECT_TRUE(attributes & kAttrReadOnly) << "read-only comes along";
}

TEST(Paths, AttributesFollowTheNameAndTheMode) {
    TempDir dir;
    zrt::test::writeFile(dir.file("readonly"), "");
    zrt::test::makeReadOnly(dir.file("readonly"));
    fs::create_directory(dir.file(".dir"));
    zrt::test::makeHidden(dir.file(".dir"));
    struct Case {
        std::string path;
        SysError expected;
        uint32_t attributes;
    } const cases[] = {
        {dir.file("readonly"), kOk, kAttrArchive | kAttrReadOnly},
        {dir.file(".dir/"), kOk, kAttrDirectory | kAttrHidden},
        {dir.file(".dir/.."), kOk, kAttrDirectory},
        {dir.file("none"), kFileNotFound, 0},
        {dir.file("none/x"), kPathNotFound, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        uint32_t attributes = 99;
        EXPECT_EQ(fileAttributes(c.path, attributes), c.expected);
        EXPECT_EQ(attributes, c.attributes);
        EXPECT_EQ(fileExists(c.path), c.expected == kOk);
    }
}

TEST(Paths, TemporaryDirectoryEndsWithASeparator) {
    std::string out;
#ifdef _WIN32
    TempDir dir;
    ScopedEnv tmp("TMP", dir.path());
    ASSERT_EQ(temporaryDirectory(out), kOk);
    EXPECT_TRUE(fs::equivalent(fs::path(out).parent_path(), dir.path())) << out;
    EXPECT_EQ(out.back(), '\\');
#else
    {
        ScopedEnv tmp("TMPDIR", "/var/tmp");
        ASSERT_EQ(temporaryDirectory(out), kOk);
        EXPECT_EQ(out, "/var/tmp/");
    }
    ScopedEnv none("TMPDIR", "", true);
    ASSERT_EQ(temporaryDirectory(out), kOk);
    EXPECT_EQ(out, "/tmp/");
#endif
}

// The file name's case is the system's: GetTempFileName on Windows writes ".tmp" in some
// versions, and its hexadecimal number is not padded to four digits; the name is the same
// to a file system that ignores case.
TEST(Paths, TemporaryFilesAreNewEmptyAndNamedLikeGetTempFileName) {
    TempDir dir;
    std::string first, second;
    ASSERT_EQ(createTemporaryFile(dir.path(), "MPKX", first), kOk);
    ASSERT_EQ(createTemporaryFile(dir.path() + "/", "MPK", second), kOk);
    EXPECT_NE(first, second);
    for (const std::string& path : {first, second}) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(fs::equivalent(fs::path(path).parent_path(), dir.path()));
        EXPECT_TRUE(std::regex_match(fs::path(path).filename().string(),
                                     std::regex("MPK[0-9A-F]{1,4}\\.TMP", std::regex::icase)));
        EXPECT_EQ(zrt::test::readFile(path), "");
    }
    std::string none;
    EXPECT_EQ(createTemporaryFile(dir.file("none"), "MPK", none), kPathNotFound);
    EXPECT_EQ(none, "");
}

}  // namespace
