#include <gtest/gtest.h>

#include "support/test_support.h"
#include "zrt32.h"

namespace zrt {
namespace {

TEST(APLGetVersion, WritesEveryOutputAndToleratesMissingOnes) {
    constexpr uint32_t unset = 0xDEADBEEF;
    uint32_t platformId = unset, major = unset, minor = unset, build = unset;
    ASSERT_EQ(APLGetVersion(&platformId, &major, &minor, &build), 0u);
    EXPECT_NE(platformId, unset);
    EXPECT_NE(major, unset);
    EXPECT_NE(minor, unset);
    EXPECT_NE(build, unset);
    EXPECT_NE(platformId, 12345678u);
    EXPECT_EQ(APLGetVersion(nullptr, &major, nullptr, nullptr), 0u);
}

TEST(BrowseDirectory, WithoutADesktopNothingIsChosen) {
    test::ScopedEnv display("DISPLAY", "", true);
    test::ScopedEnv wayland("WAYLAND_DISPLAY", "", true);
    char buffer[260] = {};
    EXPECT_EQ(BrowseDirectory("Pick a folder", "/tmp", buffer, nullptr), 0u);
    EXPECT_EQ(BrowseDirectory(nullptr, nullptr, nullptr, nullptr), 0u);
}

}  // namespace
}  // namespace zrt
