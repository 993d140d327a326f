// Open dispositions, positioned and positional transfers, and the error numbers of failures.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::TempDir;

namespace {

// Opens files until the limit of open descriptors is reached; the exit status is the error.
ZRT_CHILD_ROLE(open_until_limit) {
#ifndef _WIN32
    struct rlimit few = {32, 32};
    setrlimit(RLIMIT_NOFILE, &few);
#endif
    std::vector<File> files(64);
    for (File& f : files)
        if (SysError e = File::open(args.at(0), kRead, kShareReadWrite,
                                    Disposition::OpenExisting, f))
            return static_cast<int>(e);
    return 0;
}

TEST(Files, DispositionsCreateEmptyAndRefuseAsOnWindows) {
    struct Case {
        const char* name;
        bool exists;
        uint32_t access;
        Disposition disposition;
        SysError expected;
        const char* contentAfter;  // null: no file
    } const cases[] = {
        {"create new, missing", false, kReadWrite, Disposition::CreateNew, kOk, ""},
        {"create new, existing", true, kReadWrite, Disposition::CreateNew, kFileExists, "old"},
        {"create always, read only", true, kRead, Disposition::CreateAlways, kOk, ""},
        {"open existing, missing", false, kRead, Disposition::OpenExisting, kFileNotFound,
         nullptr},
        {"open always, missing", false, kWrite, Disposition::OpenAlways, kOk, ""},
        {"open always, existing", true, kWrite, Disposition::OpenAlways, kOk, "old"},
        {"truncate existing", true, kWrite, Disposition::TruncateExisting, kOk, ""},
        {"truncate existing, missing", false, kWrite, Disposition::TruncateExisting,
         kFileNotFound, nullptr},
        {"truncate without write access", true, kRead, Disposition::TruncateExisting,
         kInvalidParameter, "old"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string path = dir.file("f");
        if (c.exists) zrt::test::writeFile(path, "old");
        File f;
        EXPECT_EQ(File::open(path, c.access, kShareReadWrite, c.disposition, f), c.expected);
        EXPECT_EQ(f.isOpen(), c.expected == kOk);
        EXPECT_EQ(zrt::test::exists(path), c.contentAfter != nullptr);
        if (c.contentAfter) {
            EXPECT_EQ(zrt::test::readFile(path), c.contentAfter);
        }
    }
}

TEST(Files, OpenFailuresGiveWindowsErrorNumbers) {
    TempDir dir;
    zrt::test::writeFile(dir.file("plain"), "");
    struct Case {
        const char* name;
        std::string path;
        Disposition disposition;
        SysError expected;
    };
    std::vector<Case> cases = {
        {"missing directory on the way", dir.file("no/f"), Disposition::OpenExisting,
         kPathNotFound},
        {"a file used as a directory", dir.file("plain/f"), Disposition::OpenAlways,
         kPathNotFound},
        {"a directory", dir.path(), Disposition::OpenExisting, kAccessDenied},
        {"a name too long", dir.file(std::string(300, 'n')), Disposition::OpenAlways,
         kFilenameTooLong},
        {"an empty name", "", Disposition::OpenExisting, kPathNotFound},
    };
#ifndef _WIN32  // Windows has no FIFO in its file system
    mkfifo(dir.file("pipe").c_str(), 0600);
    cases.push_back({"a pipe, which would wait for a writer", dir.file("pipe"),
                     Disposition::OpenExisting, kAccessDenied});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        File f;
        EXPECT_EQ(File::open(c.path, kRead, kShareReadWrite, c.disposition, f), c.expected);
        EXPECT_FALSE(f.isOpen());
    }
}

TEST(Files, RunningOutOfDescriptorsGivesTooManyOpenFiles) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows sets no small limit on open handles that a test could reach";
#endif
    TempDir dir;
    zrt::test::writeFile(dir.file("f"), "");
    auto child = zrt::test::ChildProcess::start("open_until_limit", {dir.file("f")});
    EXPECT_EQ(child.wait(), static_cast<int>(kTooManyOpenFiles));
}

TEST(Files, FullDeviceGivesDiskFull) {
    File f;
    if (File::open("/dev/full", kWrite, kShareReadWrite, Disposition::OpenExisting, f) != kOk)
        GTEST_SKIP() << "no /dev/full";
    uint32_t put = 0;
    EXPECT_EQ(f.write("x", 1, put), kDiskFull);
}

TEST(Files, PositionalTransfersLeaveThePositionAloneAndSetEndMovesTheEnd) {
    TempDir dir;
    File f;
    ASSERT_EQ(File::open(dir.file("f"), kReadWrite, kShareNone, Disposition::CreateNew, f), kOk);
    uint32_t n = 0;
    uint64_t at = 0, size = 0;
    ASSERT_EQ(f.write("abcdef", 6, n), kOk);
    ASSERT_EQ(f.writeAt(10, "XY", 2, n), kOk);  // past the end: the gap reads as zeros
    ASSERT_EQ(f.seek(0, Whence::Current, &at), kOk);
    EXPECT_EQ(at, 6u);
    char buffer[16] = {};
    ASSERT_EQ(f.readAt(4, buffer, 16, n), kOk);  // a short count at the end is no error
    EXPECT_EQ(std::string(buffer, n), std::string("ef\0\0\0\0XY", 8));
    ASSERT_EQ(f.read(buffer, 16, n), kOk);  // reads on from 6
    EXPECT_EQ(n, 6u);

    EXPECT_EQ(f.seek(-13, Whence::End), kNegativeSeek);
    EXPECT_EQ(f.seek(-1, Whence::Begin), kNegativeSeek);
    ASSERT_EQ(f.seek(-6, Whence::End, &at), kOk);
    EXPECT_EQ(at, 6u);
    ASSERT_EQ(f.setEnd(), kOk);
    ASSERT_EQ(f.size(size), kOk);
    EXPECT_EQ(size, 6u);
    ASSERT_EQ(f.seek(4, Whence::Current), kOk);
    ASSERT_EQ(f.setEnd(), kOk);  // extends
    ASSERT_EQ(f.size(size), kOk);
    EXPECT_EQ(size, 10u);
}

TEST(Files, TransfersWithoutTheAccessOrWithoutAFileFail) {
    TempDir dir;
    zrt::test::writeFile(dir.file("f"), "abc");
    File reader;
    ASSERT_EQ(File::open(dir.file("f"), kRead, kShareReadWrite, Disposition::OpenExisting,
                         reader),
              kOk);
    uint32_t n = 0;
    EXPECT_EQ(reader.write("x", 1, n), kAccessDenied);
    EXPECT_EQ(reader.writeAt(0, "x", 1, n), kAccessDenied);
    EXPECT_EQ(reader.setEnd(), kAccessDenied);
    EXPECT_EQ(zrt::test::readFile(dir.file("f")), "abc");

    File moved = std::move(reader);
    char c;
    EXPECT_EQ(reader.read(&c, 1, n), kInvalidHandle);
    EXPECT_EQ(moved.close(), kOk);
    EXPECT_EQ(moved.close(), kInvalidHandle);
}

}  // namespace
