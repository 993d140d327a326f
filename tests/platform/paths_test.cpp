// Delete, move, copy, attributes, working and temporary directories.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <regex>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::ScopedEnv;
using zrt::test::TempDir;

namespace {

struct stat statusOf(const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    return st;
}

TEST(Paths, DeleteRefusesWhatWindowsRefuses) {
    TempDir dir;
    zrt::test::writeFile(dir.file("plain"), "");
    zrt::test::writeFile(dir.file("readonly"), "");
    chmod(dir.file("readonly").c_str(), 0444);
    mkdir(dir.file("sub").c_str(), 0700);
    struct Case {
        const char* name;
        std::string path;
        SysError expected;
    } const cases[] = {
        {"missing file", dir.file("none"), kFileNotFound},
        {"missing directory", dir.file("none/f"), kPathNotFound},
        {"directory", dir.file("sub"), kAccessDenied},
        {"read-only file", dir.file("readonly"), kAccessDenied},
        {"plain file", dir.file("plain"), kOk},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(deleteFile(c.path), c.expected);
        EXPECT_EQ(zrt::test::exists(c.path), c.expected != kOk && c.expected != kFileNotFound &&
                                                 c.expected != kPathNotFound);
    }
}

TEST(Paths, MoveNeverReplaces) {
    TempDir dir;
    zrt::test::writeFile(dir.file("a"), "a");
    zrt::test::writeFile(dir.file("b"), "b");
    mkdir(dir.file("sub").c_str(), 0700);
    EXPECT_EQ(moveFile(dir.file("a"), dir.file("b")), kAlreadyExists);
    EXPECT_EQ(zrt::test::readFile(dir.file("b")), "b");
    EXPECT_EQ(moveFile(dir.file("none"), dir.file("c")), kFileNotFound);
    EXPECT_EQ(moveFile(dir.file("a"), dir.file("none/c")), kPathNotFound);
    EXPECT_EQ(moveFile(dir.file("a"), dir.file("sub/a")), kOk);
    EXPECT_EQ(zrt::test::readFile(dir.file("sub/a")), "a");
    EXPECT_EQ(moveFile(dir.file("sub"), dir.file("moved")), kOk) << "directories move too";
    EXPECT_TRUE(zrt::test::exists(dir.file("moved/a")));
}

TEST(Paths, MoveAcrossFileSystemsIsRefused) {
    TempDir dir;
    const char* other = "/dev/shm";
    if (statusOf(other).st_dev == 0 || statusOf(other).st_dev == statusOf(dir.path()).st_dev)
        GTEST_SKIP() << "no second file system at hand";
    zrt::test::writeFile(dir.file("a"), "a");
    std::string target = std::string(other) + "/zrt-move-" + std::to_string(processId());
    EXPECT_EQ(moveFile(dir.file("a"), target), kNotSameDevice);
    EXPECT_TRUE(zrt::test::exists(dir.file("a")));
    EXPECT_FALSE(zrt::test::exists(target));
}

TEST(Paths, CopyCarriesContentModeAndTime) {
    TempDir dir;
    std::string from = dir.file("from"), to = dir.file("to");
    zrt::test::writeFile(from, std::string(100000, 'x'));
    struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    utimensat(AT_FDCWD, from.c_str(), times, 0);
    chmod(from.c_str(), 0640);
    zrt::test::writeFile(to, "old");
    EXPECT_EQ(copyFile(from, to, true), kFileExists);
    EXPECT_EQ(zrt::test::readFile(to), "old");
    ASSERT_EQ(copyFile(from, to, false), kOk);
    EXPECT_EQ(zrt::test::readFile(to), std::string(100000, 'x'));
    EXPECT_EQ(statusOf(to).st_mtime, 1000000000);
    EXPECT_EQ(statusOf(to).st_mode & 0777, 0640u);
    EXPECT_EQ(copyFile(from, from, false), kSharingViolation) << "would empty the source";
    EXPECT_EQ(zrt::test::readFile(from).size(), 100000u);
    chmod(to.c_str(), 0444);
    EXPECT_EQ(copyFile(from, to, false), kAccessDenied) << "a read-only target stays";
    EXPECT_EQ(copyFile(dir.file("none"), to, false), kFileNotFound);
    EXPECT_EQ(copyFile(dir.path(), dir.file("d"), false), kAccessDenied);
}

TEST(Paths, AttributesFollowTheNameAndTheMode) {
    TempDir dir;
    zrt::test::writeFile(dir.file("plain"), "");
    zrt::test::writeFile(dir.file(".hidden"), "");
    zrt::test::writeFile(dir.file("readonly"), "");
    chmod(dir.file("readonly").c_str(), 0444);
    mkdir(dir.file(".dir").c_str(), 0700);
    struct Case {
        std::string path;
        SysError expected;
        uint32_t attributes;
    } const cases[] = {
        {dir.file("plain"), kOk, kAttrArchive},
        {dir.file(".hidden"), kOk, kAttrArchive | kAttrHidden},
        {dir.file("readonly"), kOk, kAttrArchive | kAttrReadOnly},
        {dir.file(".dir"), kOk, kAttrDirectory | kAttrHidden},
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

TEST(Paths, WorkingDirectoryChangesAndReportsErrors) {
    TempDir dir;
    zrt::test::ScopedCwd keep(dir.path());
    mkdir(dir.file("sub").c_str(), 0700);
    ASSERT_EQ(changeDirectory("sub"), kOk);
    std::string here;
    ASSERT_EQ(currentDirectory(here), kOk);
    EXPECT_EQ(here[0], '/');
    EXPECT_EQ(statusOf(here).st_ino, statusOf(dir.file("sub")).st_ino);
    EXPECT_EQ(changeDirectory("none"), kFileNotFound);
    EXPECT_EQ(changeDirectory("none/deeper"), kPathNotFound);
}

TEST(Paths, TemporaryDirectoryEndsWithASeparator) {
    std::string out;
    {
        ScopedEnv tmp("TMPDIR", "/var/tmp");
        ASSERT_EQ(temporaryDirectory(out), kOk);
        EXPECT_EQ(out, "/var/tmp/");
    }
    ScopedEnv none("TMPDIR", "", true);
    ASSERT_EQ(temporaryDirectory(out), kOk);
    EXPECT_EQ(out, "/tmp/");
}

TEST(Paths, TemporaryFilesAreNewEmptyAndNamedLikeGetTempFileName) {
    TempDir dir;
    std::string first, second;
    ASSERT_EQ(createTemporaryFile(dir.path(), "MPKX", first), kOk);
    ASSERT_EQ(createTemporaryFile(dir.path() + "/", "MPK", second), kOk);
    EXPECT_NE(first, second);
    for (const std::string& path : {first, second}) {
        SCOPED_TRACE(path);
        EXPECT_TRUE(std::regex_match(path, std::regex(dir.path() + "/MPK[0-9A-F]{4}\\.TMP")));
        EXPECT_TRUE(zrt::test::exists(path));
        EXPECT_EQ(zrt::test::readFile(path), "");
    }
    std::string none;
    EXPECT_EQ(createTemporaryFile(dir.file("none"), "MPK", none), kPathNotFound);
    EXPECT_EQ(none, "");
}

}  // namespace
