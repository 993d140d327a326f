#include "pack/crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
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

// Both routines, each at every alignment and at lengths that end the folding's 64-byte and
// 16-byte steps at every remainder. docs/packfiles.md runs the check value, in one run and
// in two.
TEST(Crc32, EveryRoutineEqualsTheBytewiseOneAtEveryLengthAndAlignment) {
    std::mt19937 random(7);
    std::vector<uint8_t> data(1200);
    for (auto& b : data) b = static_cast<uint8_t>(random());
    std::pair<const char*, Crc32Routine> routines[] = {
        {"tables", &Crc32UpdateByTables},
        {"folding", Crc32FoldingRoutine()},
        {"chosen", &Crc32Update}};
    for (auto [name, routine] : routines) {
        if (!routine) continue;  // the processor cannot fold
        for (size_t offset = 0; offset < 16; ++offset) {
            for (size_t n = 0; n + offset <= data.size(); n += 1 + n / 16) {
                uint32_t start = static_cast<uint32_t>(random());
                ASSERT_EQ(routine(data.data() + offset, n, start),
                          referenceUpdate(data.data() + offset, n, start))
                    << name << " offset " << offset << " length " << n;
            }
        }
    }
    EXPECT_EQ(CalculateCRC32(nullptr, 10, 0x12345678u), 0x12345678u);  // no bytes, no change
}

}  // namespace
}  // namespace zrt
