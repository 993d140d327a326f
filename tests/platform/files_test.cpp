// Open dispositions and the error numbers of failures.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::TempDir;

namespace {

TEST(Files, DispositionsCreateEmptyAndRefuseAsOnWindows) {
    struct Case {
        const char* name;
        bool exists;
        uint32_t access;
        Disposition disposition;
        SysError expected;
        const char* contentAfter;
    } const cases[] = {
        {"create new, existing", true, kReadWrite, Disposition::CreateNew, kFileExists, "old"},
        {"create always, read only", true, kRead, Disposition::CreateAlways, kOk, ""},
        {"open, missing", false, kRead, Disposition::OpenExisting, kFileNotFound, "no file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        std::string path = dir.file("f");
        if (c.exists) zrt::test::writeFile(path, "old");
        File f;
        EXPECT_EQ(File::open(path, c.access, kShareReadWrite, c.disposition, f), c.expected);
        EXPECT_EQ(f.isOpen(), c.expected == kOk);
        EXPECT_EQ(zrt::test::exists(path) ? zrt::test::readFile(path) : "no file", c.contentAfter);
    }
}

TEST(Files, OpenFailuresGiveWindowsErrorNumbers) {
    TempDir dir;
    zrt::test::writeFile(dir.file("plain"), "");
    struct Case { const char* name; std::string path; Disposition disposition; SysError expected; };
    const Disposition existing = Disposition::OpenExisting, always = Disposition::OpenAlways;
    std::vector<Case> cases = {
        {"missing directory on the way", dir.file("no/f"), existing, kPathNotFound},
        {"a file used as a directory", dir.file("plain/f"), always, kPathNotFound},
        {"a directory", dir.path(), existing, kAccessDenied},
        {"a name too long", dir.file(std::string(300, 'n')), always, kFilenameTooLong},
    };
#ifndef _WIN32  // Windows has no FIFO in its file system
    mkfifo(dir.file("pipe").c_str(), 0600);
    cases.push_back({"a pipe, which would wait for a writer", dir.file("pipe"), existing,
                     kAccessDenied});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        File f;
        EXPECT_EQ(File::open(c.path, kRead, kShareReadWrite, c.disposition, f), c.expected);
        EXPECT_FALSE(f.isOpen());
    }
}

}  // namespace
