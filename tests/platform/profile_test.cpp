// Profile strings with the rules of GetPrivateProfileString.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::ScopedEnv;
using zrt::test::TempDir;

namespace {

const char* const kIni =
    "\xEF\xBB\xBF[Main]\r\n"
    "Locks=locks.log\r\n"
    "  Spaced Key   =   spaced value   \r\n"
    "Quoted=\" padded \"\n"
    "Doubled=\"\"twice\"\"\n"
    "Mismatched=\"open\n"
    "Single='single'\n"
    "Equals=a=b\n"
    "Empty=\n"
    "NoEquals\n"
    ";Comment=hidden\n"
    "Locks=second\n"
    "[ Spaced Section ]\n"
    "Key=in spaced\n";

struct Lookup {
    std::string text;
    uint32_t length;
};

Lookup lookup(const char* section, const char* key, const char* defaultValue, uint32_t size,
              const char* file) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    uint32_t n = profileString(section, key, defaultValue, buffer, size, file);
    return {size ? std::string(buffer) : std::string(buffer, 1), n};
}

TEST(ProfileString, FollowsTheWindowsRules) {
    TempDir dir;
    std::string file = dir.file("test.ini");
    zrt::test::writeFile(file, kIni);
    const char* f = file.c_str();
    struct Case {
        const char* name;
        const char* section;
        const char* key;
        const char* defaultValue;
        uint32_t size;
        const char* file;
        std::string expected;
    } const cases[] = {
        {"plain", "Main", "Locks", "d", 64, f, "locks.log"},
        {"names without case", "MAIN", "locks", "d", 64, f, "locks.log"},
        {"blanks trimmed", "Main", "Spaced Key", "d", 64, f, "spaced value"},
        {"requested names trimmed", " Main ", " Spaced Key ", "d", 64, f, "spaced value"},
        {"section name trimmed", "spaced section", "Key", "d", 64, f, "in spaced"},
        {"one pair of quotes removed", "Main", "Quoted", "d", 64, f, " padded "},
        {"only one pair", "Main", "Doubled", "d", 64, f, "\"twice\""},
        {"unmatched quote kept", "Main", "Mismatched", "d", 64, f, "\"open"},
        {"single quotes", "Main", "Single", "d", 64, f, "single"},
        {"split at the first equals", "Main", "Equals", "d", 64, f, "a=b"},
        {"empty value is a value", "Main", "Empty", "d", 64, f, ""},
        {"line without equals", "Main", "NoEquals", "d", 64, f, "d"},
        {"comment", "Main", ";Comment", "d", 64, f, "d"},
        {"missing key", "Main", "Nope", "default", 64, f, "default"},
        {"missing section", "Nope", "Locks", "default", 64, f, "default"},
        {"missing file", "Main", "Locks", "default", 64, "/nonexistent/x.ini", "default"},
        {"null file", "Main", "Locks", "default", 64, nullptr, "default"},
        {"empty file name", "Main", "Locks", "default", 64, "", "default"},
        {"empty key", "Main", "", "default", 64, f, "default"},
        {"null default", "Main", "Nope", nullptr, 64, f, ""},
        {"default loses trailing blanks", "Main", "Nope", "  dflt  ", 64, f, "  dflt"},
        {"value cut to size - 1", "Main", "Locks", "d", 5, f, "lock"},
        {"default cut too", "Main", "Nope", "default", 4, f, "def"},
        {"size 1 leaves the empty text", "Main", "Locks", "d", 1, f, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Lookup r = lookup(c.section, c.key, c.defaultValue, c.size, c.file);
        EXPECT_EQ(r.text, c.expected);
        EXPECT_EQ(r.length, c.expected.size());
    }
    Lookup none = lookup("Main", "Locks", "d", 0, f);
    EXPECT_EQ(none.length, 0u);
    EXPECT_EQ(none.text, "#") << "size 0 writes nothing";
}

TEST(ProfileString, BareNamesAreLookedForInTheIniDirectoryElseTheCurrentOne) {
    TempDir inidir, cwd;
    zrt::test::writeFile(inidir.file("app.ini"), "[S]\nK=from inidir\n");
    zrt::test::writeFile(cwd.file("app.ini"), "[S]\nK=from cwd\n");
    zrt::test::ScopedCwd here(cwd.path());
    char buffer[32];
    {
        ScopedEnv env("ZRT32_INIDIR", inidir.path());
        profileString("S", "K", "", buffer, sizeof buffer, "app.ini");
        EXPECT_STREQ(buffer, "from inidir");
        profileString("S", "K", "", buffer, sizeof buffer, (cwd.path() + "/app.ini").c_str());
        EXPECT_STREQ(buffer, "from cwd") << "a path with a directory is taken as it is";
    }
    ScopedEnv env("ZRT32_INIDIR", "", true);
    profileString("S", "K", "", buffer, sizeof buffer, "app.ini");
    EXPECT_STREQ(buffer, "from cwd");
}

}  // namespace
