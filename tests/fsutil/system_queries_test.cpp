#include <gtest/gtest.h>

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

}  // namespace
}  // namespace zrt
