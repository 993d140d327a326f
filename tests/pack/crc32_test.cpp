#include "pack/crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "zrt32.h"

namespace zrt {
namespace {

// The classic one-byte-at-a-time routine, as the reference for the faster one.
uint32_t referenceUpdate(const uint8_t* p, size_t n, uint32_t crc) {
    for (size_t k = 0; k < n; ++k) {
        crc ^= p[k];
        for (int step = 0; step < 8; ++step) crc = (crc >> 1) ^ ((crc & 1) ? 0xEDB88320u : 0);
    }
    return crc;
}

TEST(Crc32, CheckValueAndPiecewiseRuns) {
    const std::string digits = "123456789";
    EXPECT_EQ(Crc32Of(digits.data(), digits.size()), 0xCBF43926u);
    uint32_t first = CalculateCRC32(digits.data(), 4, 0xFFFFFFFFu);
    uint32_t both = CalculateCRC32(digits.data() + 4, 5, first);
    EXPECT_EQ(~both, 0xCBF43926u);
    EXPECT_EQ(CalculateCRC32(digits.data(), 0, 0x12345678u), 0x12345678u);
    EXPECT_EQ(CalculateCRC32(nullptr, 10, 0x12345678u), 0x12345678u);
    EXPECT_EQ(Crc32Of("", 0), 0u);
}

TEST(Crc32, SlicedRoutineEqualsTheBytewiseOneAtEveryLengthAndAlignment) {
    std::mt19937 random(7);
    std::vector<uint8_t> data(300);
    for (auto& b : data) b = static_cast<uint8_t>(random());
    for (size_t offset = 0; offset < 8; ++offset) {
        for (size_t n = 0; n + offset <= data.size(); n += 1 + n / 8) {
            uint32_t start = static_cast<uint32_t>(random());
            ASSERT_EQ(Crc32Update(data.data() + offset, n, start),
                      referenceUpdate(data.data() + offset, n, start))
                << "offset " << offset << " length " << n;
        }
    }
}

}  // namespace
}  // namespace zrt
