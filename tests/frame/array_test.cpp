#include "frame/array.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace zrt {
namespace {

TEST(AllocArray, BlockSizesFollowTheSizingRuleOnThisWidth) {
    struct Case {
        const char* name;
        uint32_t type, rank;
        std::vector<uint32_t> shape;
        uint32_t words32, words64;  // blockWords on 32-bit and 64-bit targets
        uint32_t count;             // storedCount
    };
    const Case cases[] = {
        {"nested scalar", kNested, 0, {}, 3, 4, 1},
        {"33 booleans", kBool, 1, {33}, 5, 5, 33},
        {"empty nested vector", kNested, 1, {0}, 4, 5, 1},
        {"0x4 doubles", kDouble, 2, {0, 4}, 4, 4, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ArrayPtr a(AllocArray(c.type, c.rank, c.shape.data()));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->blockWords, sizeof(void*) == 8 ? c.words64 : c.words32);
        EXPECT_EQ(storedCount(a.get()), c.count);
        EXPECT_EQ(ownerClassOf(a.get()), c.type == kNested ? 7u : 15u);
        EXPECT_EQ(ArrayData(a.get()), reinterpret_cast<uint8_t*>(a.get()) + 8 + 4 * c.rank);
    }
}

TEST(AllocArray, RefusesSizesBeyond31BitsOfData) {
    uint32_t doublesTooMany = 1u << 25;  // 2^25 doubles are 2^31 bits
    EXPECT_EQ(AllocArray(kDouble, 1, &doublesTooMany), nullptr);
    uint32_t shape[2] = {65536, 65536};  // the product overflows 32 bits
    EXPECT_EQ(AllocArray(kBool, 2, shape), nullptr);
    EXPECT_EQ(AllocArray(7, 0, nullptr), nullptr);
}

// ASan reports a double free if FreeArray releases what is not its to release.
TEST(FreeArray, LeavesBlocksOfOtherOwnersAndPrototypeSlotsAlone) {
    // A block owned by the interpreter, holding one of ours: neither may be freed.
    uint32_t one = 1, zero = 0, words = blockWordsFor(kNested, 1, one);
    auto* foreign = static_cast<APLArray*>(std::calloc(words, 4));
    writeHeader(foreign, words, kNested, 1, &one, 0);
    ArrayPtr ours(AllocScalar(kInt32));
    setSlot(foreign, 0, ours.get());
    FreeArray(foreign);
    EXPECT_EQ(typeOf(ours.get()), kInt32);
    std::free(foreign);
    EXPECT_EQ(FreeArray(nullptr), 0);

    APLArray* empty = AllocArray(kNested, 1, &zero);
    APLArray* stranger = AllocScalar(kInt32);
    setSlot(empty, 0, stranger);  // the prototype slot is not released with the block
    FreeArray(empty);
    FreeArray(stranger);
}

}  // namespace
}  // namespace zrt
