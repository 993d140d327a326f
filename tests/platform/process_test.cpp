// The process, the clock and the system.
#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <ctime>
#include <regex>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::ScopedEnv;

namespace {

TEST(Process, LocalTimeTextLooksLikeTheRuntimesAndShowsNow) {
    time_t before = time(nullptr);
    std::string text = localTimeText();
    time_t after = time(nullptr);
    ASSERT_EQ(text.size(), 24u);
    EXPECT_TRUE(std::regex_match(
        text, std::regex("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|"
                         "Oct|Nov|Dec) [0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}")))
        << text;
    char expected[2][32];
    for (int k = 0; k < 2; ++k) {
        time_t t = k ? after : before;
        struct tm parts;
        localtime_r(&t, &parts);
        strftime(expected[k], sizeof expected[k], "%a %b %d %H:%M:%S %Y", &parts);
    }
    EXPECT_TRUE(text == expected[0] || text == expected[1]) << text;
}

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

}  // namespace
