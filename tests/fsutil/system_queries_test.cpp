#include <gtest/gtest.h>

#include "support/test_support.h"
#include "zrt32.h"

namespace zrt {
namespace {

TEST(APLGetVersion, WritesEveryOutputThatIsGiven) {
    constexpr uint32_t unset = 0xDEADBEEF;
    uint32_t id = unset, major = unset, minor = unset, build = unset;
    ASSERT_EQ(APLGetVersion(&id, &major, &minor, &build), 0u);
    EXPECT_TRUE(id != unset && major != unset && minor != unset && build != unset);
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
