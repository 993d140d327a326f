// The version text Describe gives the root (docs/arrayfiles.md runs the trees themselves).
#include <gtest/gtest.h>

#include "arrayfile/version_text.h"

namespace zrt {
namespace {

TEST(VersionText, HighHalvesOfTheProductVersionWords) {
    EXPECT_EQ(ProductVersionText(2u << 16 | 5, 310u << 16), "2.310");
    EXPECT_EQ(ProductVersionText(8u << 16 | 1, 0), "8.00");
}

}  // namespace
}  // namespace zrt
