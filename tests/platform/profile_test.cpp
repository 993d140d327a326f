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
    "Equals=a=b\n"
    "Empty=\n"
    "NoEquals\n"
    ";Comment=hidden\n"
    "Locks=second\n"
    "[ Spaced Section ]\n"
    "Key=in spaced\n";

// The text written for a lookup, and the length returned; '#' marks bytes not written.
std::string lookup(const char* section, const char* key, const char* defaultValue, uint32_t size,
                   const char* file) {
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    uint32_t n = profileString(section, key, defaultValue, buffer, size, file);
    std::string text = size ? std::string(buffer) : std::string(buffer, 1);
    EXPECT_EQ(n, size ? text.size() : 0u) << text;
    return text;
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
        uint32_t size;
        std::string expected;
    } const cases[] = {
        {"first of two, names without case", "MAIN", "locks", 64, "locks.log"},
        {"blanks trimmed", "Main", "Spaced Key", 64, "spaced value"},
        {"section name trimmed", "spaced section", "Key", 64, "in spaced"},
        {"one pair of quotes removed", "Main", "Quoted", 64, " padded "},
        {"only one pair", "Main", "Doubled", 64, "\"twice\""},
        {"unmatched quote kept", "Main", "Mismatched", 64, "\"open"},
        {"split at the first equals", "Main", "Equals", 64, "a=b"},
        {"empty value is a value", "Main", "Empty", 64, ""},
        {"line without equals", "Main", "NoEquals", 64, "d"},
#ifdef _WIN32  // the system's reader knows no comments: the line is the entry ";Comment"
        {"comment", "Main", ";Comment", 64, "hidden"},
#else
        {"comment", "Main", ";Comment", 64, "d"},
#endif
        {"missing key", "Main", "Nope", 64, "d"},
        {"empty key", "Main", "", 64, "d"},
        {"value cut to size - 1", "Main", "Locks", 5, "lock"},
        {"size 1 leaves the empty text", "Main", "Locks", 1, ""},
        {"size 0 writes nothing", "Main", "Locks", 0, "#"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lookup(c.section, c.key, "d", c.size, f), c.expected);
    }
    EXPECT_EQ(lookup("Main", "Locks", "default", 64, "/nonexistent/x.ini"), "default");
    EXPECT_EQ(lookup("Main", "Locks", "default", 64, nullptr), "default");
    EXPECT_EQ(lookup("Main", "Nope", nullptr, 64, f), "");
    EXPECT_EQ(lookup("Main", "Nope", "  dflt  ", 64, f), "  dflt") << "trailing blanks go";
}

TEST(ProfileString, BareNamesAreLookedForInTheIniDirectoryElseWhereTheSystemLooks) {
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
#ifdef _WIN32
    EXPECT_STREQ(buffer, "") << "Windows looks in the Windows directory";
#else
    EXPECT_STREQ(buffer, "from cwd");
#endif
}

}  // namespace
