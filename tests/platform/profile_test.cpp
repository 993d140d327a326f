// Profile strings with the rules of GetPrivateProfileString.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;

namespace {

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
    zrt::test::TempDir dir;
    std::string file = dir.file("test.ini");
    zrt::test::writeFile(file,
                         "\xEF\xBB\xBF[Main]\r\n"
                         "Locks=locks.log\r\n"
                         "  Spaced Key   =   spaced value   \r\n"
                         "Quoted=\" padded \"\n"
                         ";Comment=hidden\n"
                         "Locks=second\n");
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
        {"one pair of quotes removed", "Main", "Quoted", 64, " padded "},
#ifdef _WIN32  // the system's reader knows no comments: the line is the entry ";Comment"
        {"comment", "Main", ";Comment", 64, "hidden"},
#else
        {"comment", "Main", ";Comment", 64, "d"},
#endif
        {"value cut to size - 1", "Main", "Locks", 5, "lock"},
        {"size 0 writes nothing", "Main", "Locks", 0, "#"},
    };
    for (const Case& c : cases) EXPECT_EQ(lookup(c.section, c.key, "d", c.size, f), c.expected) << c.name;
    EXPECT_EQ(lookup("Main", "Locks", "default", 64, "/nonexistent/x.ini"), "default");
    EXPECT_EQ(lookup("Main", "Nope", "  dflt  ", 64, f), "  dflt") << "trailing blanks go";
}

}  // namespace
