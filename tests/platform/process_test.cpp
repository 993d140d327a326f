// The process, the clock and the system.
#include <gtest/gtest.h>
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/utsname.h>
#endif

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::ScopedEnv;

namespace {

TEST(Process, LocalTimeTextIsTheRuntimesTextOfNow) {
    time_t before = time(nullptr);
    std::string text = localTimeText();
    time_t after = time(nullptr);
    char expected[2][32];
    for (int k = 0; k < 2; ++k) {
        time_t t = k ? after : before;
        struct tm parts = *std::localtime(&t);
        strftime(expected[k], sizeof expected[k], "%a %b %d %H:%M:%S %Y", &parts);
    }
    EXPECT_TRUE(text == expected[0] || text == expected[1]) << text;
}

#ifdef _WIN32

// The version the system tells a program that it does not mislead: at least Windows XP's.
TEST(System, VersionIsTheSystemsOwn) {
    OsVersion v;
    ASSERT_EQ(osVersion(v), kOk);
    EXPECT_EQ(v.platformId, 2u);
    EXPECT_GE(v.major, 5u);
    EXPECT_GT(v.build, 0u);
}

bool underWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

TEST(System, NoFolderDialogWithoutADisplay) {
    const char* display = std::getenv("DISPLAY");
    if (!underWine() || (display && *display))
        GTEST_SKIP() << "a desktop is at hand: the dialog would wait for a person";
    char buffer[64] = "untouched";
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(browseFolder("Pick", "C:\\", buffer, sizeof buffer), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_STREQ(buffer, "untouched");
}

#else

TEST(System, VersionComesFromTheKernelRelease) {
    struct utsname names;
    ASSERT_EQ(uname(&names), 0);
    OsVersion v;
    ASSERT_EQ(osVersion(v), kOk);
    EXPECT_EQ(v.platformId, 2u);
    std::string release = std::to_string(v.major) + "." + std::to_string(v.minor) + ".";
    EXPECT_EQ(std::string(names.release).substr(0, release.size()), release);
}

TEST(System, NoFolderDialogWithoutADesktop) {
    ScopedEnv x("DISPLAY", "", true), wayland("WAYLAND_DISPLAY", "", true);
    char buffer[64] = "untouched";
    EXPECT_EQ(browseFolder("Pick", "/tmp", buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "untouched");
}

#endif

}  // namespace
