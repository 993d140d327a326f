// Registry reads: the same answers from the registry on Windows and from its stand-in on
// POSIX (ini files per hive, named by the environment at each open).
#include <gtest/gtest.h>
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/test_registry.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::ScopedEnv;
using zrt::test::TempDir;

namespace {

// The value, or "error N".
std::string query(Hive hive, const std::string& key, const std::string& name, uint32_t size = 64) {
    RegistryKey k;
    if (SysError e = k.open(hive, key)) return "open error " + std::to_string(e);
    char buffer[64] = {};
    if (SysError e = k.queryString(name, buffer, size)) return "error " + std::to_string(e);
    return buffer;
}

TEST(Registry, ValuesAreFoundWithoutCaseAndMustFit) {
    TempDir dir;
    zrt::test::TestRegistry registry(dir.path());
    const std::string main = "Software\\Maker\\Product\\Main";
    registry.set(Hive::CurrentUser, main, "FileSysIni", "zrt32.ini");
    registry.set(Hive::CurrentUser, main, "Empty", "");
    registry.set(Hive::CurrentUser, main, "", "the default");
    registry.set(Hive::LocalMachine, main, "Machine", "only here");
    struct Case {
        Hive hive;
        std::string key, name;
        uint32_t size;
        std::string expected;
    } const cases[] = {
        {Hive::CurrentUser, "software\\maker\\PRODUCT\\main", "filesysini", 64, "zrt32.ini"},
        {Hive::CurrentUser, main, "Empty", 64, ""},
        {Hive::CurrentUser, main, "", 64, "the default"},
        {Hive::CurrentUser, main, "Machine", 64, "error 2"},
        {Hive::LocalMachine, main, "Machine", 64, "only here"},
        {Hive::CurrentUser, main, "FileSysIni", 10, "zrt32.ini"},  // nine characters and the NUL
        {Hive::CurrentUser, main, "FileSysIni", 9, "error 234"},
        {Hive::CurrentUser, "Software\\Maker", "FileSysIni", 64, "error 2"},  // a key above opens
        {Hive::CurrentUser, "Software\\Mak", "FileSysIni", 64, "open error 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + " " + c.name + " " + std::to_string(c.size));
        EXPECT_EQ(query(c.hive, c.key, c.name, c.size), c.expected);
    }
    RegistryKey k;
    ASSERT_EQ(k.open(Hive::CurrentUser, main), kOk);
    char buffer[8] = "kept";
    EXPECT_EQ(k.queryString("FileSysIni", buffer, sizeof buffer), kMoreData);
    EXPECT_STREQ(buffer, "kept") << "a value that does not fit leaves the buffer alone";
}

#ifdef _WIN32
TEST(Registry, AValueThatIsNoStringIsInvalidData) {
    TempDir dir;
    zrt::test::TestRegistry registry(dir.path());
    registry.set(Hive::CurrentUser, "Software\\Maker", "Text", "x");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Maker", 0, KEY_SET_VALUE, &key), 0);
    DWORD number = 100;
    RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
    RegCloseKey(key);
    EXPECT_EQ(query(Hive::CurrentUser, "Software\\Maker", "Number"), "error 13");
    EXPECT_EQ(query(Hive::CurrentUser, "Software\\Maker", "Text"), "x");
}
#endif

TEST(Registry, HiveFilesAreReadWithBlanksQuotesCommentsAndTheFirstSectionOfAName) {
#ifdef _WIN32
    GTEST_SKIP() << "the registry files are the POSIX stand-in; Windows has the registry itself";
#endif
    TempDir dir;
    zrt::test::writeFile(dir.file("user.ini"),
                         "; the user's settings\n"
                         "[Software\\Maker\\Main]\r\n"
                         "  Padded  =  some value  \r\n"
                         "Quoted=\"  kept  \"\n"
                         "; Commented=yes\n"
                         "[SOFTWARE\\MAKER\\MAIN]\n"
                         "Later=never seen: the first section of a name wins\n");
    ScopedEnv user("ZRT32_HKCU", dir.file("user.ini"));
    const std::string main = "Software\\Maker\\Main";
    EXPECT_EQ(query(Hive::CurrentUser, main, "Padded"), "some value");
    EXPECT_EQ(query(Hive::CurrentUser, main, "Quoted"), "  kept  ");
    EXPECT_EQ(query(Hive::CurrentUser, main, "Commented"), "error 2");
    EXPECT_EQ(query(Hive::CurrentUser, main, "Later"), "error 2");
}

TEST(Registry, HivesAreFoundThroughTheEnvironmentAtEachOpen) {
#ifdef _WIN32
    GTEST_SKIP() << "the registry files are the POSIX stand-in; Windows has the registry itself";
#endif
    TempDir dir;
    std::filesystem::create_directories(dir.file("config/zrt32"));
    zrt::test::writeFile(dir.file("config/zrt32/registry.ini"), "[K]\nV=xdg\n");
    zrt::test::writeFile(dir.file("a.ini"), "[K]\nV=a\n");
    zrt::test::writeFile(dir.file("machine.ini"), "[K]\nV=machine\n");
    ScopedEnv machine("ZRT32_HKLM", dir.file("machine.ini"));
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.file("config"));
    {
        ScopedEnv user("ZRT32_HKCU", dir.file("a.ini"));
        EXPECT_EQ(query(Hive::CurrentUser, "K", "V"), "a");
    }
    {
        ScopedEnv user("ZRT32_HKCU", "", true);
        EXPECT_EQ(query(Hive::CurrentUser, "K", "V"), "xdg");
        ScopedEnv home("HOME", dir.path());
        ScopedEnv noXdg("XDG_CONFIG_HOME", "", true);
        EXPECT_EQ(query(Hive::CurrentUser, "K", "V"), "open error 2") << "~/.config is empty";
    }
    EXPECT_EQ(query(Hive::LocalMachine, "K", "V"), "machine");
    ScopedEnv gone("ZRT32_HKLM", dir.file("none.ini"));
    EXPECT_EQ(query(Hive::LocalMachine, "K", "V"), "open error 2");
}

}  // namespace
