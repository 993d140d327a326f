// Registry reads, from the registry on Windows and from ini files per hive on POSIX.
#include <gtest/gtest.h>

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
    registry.set(Hive::LocalMachine, main, "Machine", "only here");
    struct Case { Hive hive; std::string key, name; uint32_t size; std::string expected; } const cases[] = {
        {Hive::CurrentUser, "software\\maker\\PRODUCT\\main", "filesysini", 64, "zrt32.ini"},
        {Hive::CurrentUser, main, "Machine", 64, "error 2"},
        {Hive::LocalMachine, main, "Machine", 64, "only here"},
        {Hive::CurrentUser, main, "FileSysIni", 10, "zrt32.ini"},  // nine characters and the NUL
        {Hive::CurrentUser, main, "FileSysIni", 9, "error 234"},
        {Hive::CurrentUser, "Software\\Mak", "FileSysIni", 64, "open error 2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(query(c.hive, c.key, c.name, c.size), c.expected) << c.key << " " << c.name;
}

TEST(Registry, WithoutItsVariableTheUsersHiveIsInTheConfigDirectory) {
#ifdef _WIN32
    GTEST_SKIP() << "the registry files are the POSIX stand-in; Windows has the registry itself";
#endif
    TempDir dir;
    std::filesystem::create_directories(dir.file("config/zrt32"));
    zrt::test::writeFile(dir.file("config/zrt32/registry.ini"), "[K]\nV=xdg\n");
    ScopedEnv user("ZRT32_HKCU", "", true);
    ScopedEnv xdg("XDG_CONFIG_HOME", dir.file("config"));
    EXPECT_EQ(query(Hive::CurrentUser, "K", "V"), "xdg");
    ScopedEnv home("HOME", dir.path());
    ScopedEnv noXdg("XDG_CONFIG_HOME", "", true);
    EXPECT_EQ(query(Hive::CurrentUser, "K", "V"), "open error 2") << "~/.config is empty";
}

}  // namespace
