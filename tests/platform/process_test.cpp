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

namespace {

TEST(Process, LocalTimeTextIsTheRuntimesTextOfNow) {
    auto textAt = [](time_t t) {
        char text[32];
        strftime(text, sizeof text, "%a %b %d %H:%M:%S %Y", std::localtime(&t));
        return std::string(text);
    };
    time_t before = time(nullptr);
    std::string text = localTimeText();
    EXPECT_TRUE(text == textAt(before) || text == textAt(time(nullptr))) << text;
}

#ifdef _WIN32

TEST(System, NoFolderDialogWithoutADisplay) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const char* display = std::getenv("DISPLAY");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version") || (display && *display))
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

#endif

}  // namespace
