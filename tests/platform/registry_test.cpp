// The registry stand-in: ini files per hive, named by the environment at each open.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::ScopedEnv;
using zrt::test::TempDir;

namespace {

const char* const kRegistry =
    "; the user's settings\n"
    "[Software\\Maker\\Product\\Main]\r\n"
    "FileSysIni=zrt32.ini\r\n"
    "  Padded  =  some value  \n"
    "Quoted=\"  kept  \"\n"
    "; Commented=yes\n"
    "Empty=\n"
    "@=the default\n"
    "[SOFTWARE\\MAKER\\PRODUCT\\MAIN]\n"
    "Later=never seen: the first section of a name wins\n"
    "[Software\\Maker\\Product\\MEMORY]\n"
    "Slack=100\n";

// The value, or "error N".
std::string query(Hive hive, const std::string& key, const std::string& name, uint32_t size = 64) {
    RegistryKey k;
    if (SysError e = k.open(hive, key)) return "open error " + std::to_string(e);
    char buffer[64] = {};
    if (SysError e = k.queryString(name, buffer, size)) return "error " + std::to_string(e);
    return buffer;
}

TEST(Registry, KeysAndValuesFollowTheFileRules) {
    TempDir dir;
    zrt::test::writeFile(dir.file("user.ini"), kRegistry);
    ScopedEnv user("ZRT32_HKCU", dir.file("user.ini"));
    const std::string main = "Software\\Maker\\Product\\Main";
    struct Case {
        std::string key, name;
        uint32_t size;
        std::string expected;
    } const cases[] = {
        {main, "FileSysIni", 64, "zrt32.ini"},
        {"software\\maker\\PRODUCT\\main", "filesysini", 64, "zrt32.ini"},
        {main, "Padded", 64, "some value"},
        {main, "Quoted", 64, "  kept  "},
        {main, "Empty", 64, ""},
        {main, "", 64, "the default"},
        {main, "Commented", 64, "error 2"},
        {main, "Later", 64, "error 2"},
        {main, "Missing", 64, "error 2"},
        {main, "FileSysIni", 10, "zrt32.ini"},  // nine characters and the NUL fit
        {main, "FileSysIni", 9, "error 234"},
        {"Software\\Maker", "Slack", 64, "error 2"},  // a key above sections opens, empty
        {"Software\\Mak", "Slack", 64, "open error 2"},
        {"Software\\Maker\\Product\\Other", "Slack", 64, "open error 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key + " " + c.name + " " + std::to_string(c.size));
        EXPECT_EQ(query(Hive::CurrentUser, c.key, c.name, c.size), c.expected);
    }
}

TEST(Registry, HivesAreFoundThroughTheEnvironmentAtEachOpen) {
    TempDir dir;
    mkdir(dir.file("config").c_str(), 0700);
    mkdir(dir.file("config/zrt32").c_str(), 0700);
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
