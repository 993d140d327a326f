#include "frame/array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace zrt {
namespace {

struct SizeCase {
    const char* name;
    uint32_t type, rank;
    std::vector<uint32_t> shape;
    uint32_t words32, words64;  // blockWords on 32-bit and 64-bit targets
    uint32_t count;             // ElementCount
};

TEST(AllocArray, BlockSizesFollowTheSizingRuleOnThisWidth) {
    const SizeCase cases[] = {
        {"char scalar", kChar, 0, {}, 3, 3, 1},
        {"bool scalar", kBool, 0, {}, 3, 3, 1},
        {"int32 scalar", kInt32, 0, {}, 3, 3, 1},
        {"double scalar", kDouble, 0, {}, 4, 4, 1},
        {"nested scalar", kNested, 0, {}, 3, 4, 1},
        {"33 booleans", kBool, 1, {33}, 5, 5, 33},
        {"empty booleans", kBool, 1, {0}, 3, 3, 0},
        {"empty nested vector", kNested, 1, {0}, 4, 5, 1},
        {"two nested items", kNested, 1, {2}, 5, 7, 2},
        {"3 int16", kInt16, 1, {3}, 5, 5, 3},
        {"2x3 doubles", kDouble, 2, {2, 3}, 16, 16, 6},
        {"5 chars", kChar, 1, {5}, 5, 5, 5},
        {"0x4 doubles", kDouble, 2, {0, 4}, 4, 4, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ArrayPtr a(AllocArray(c.type, c.rank, c.shape.data()));
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->blockWords, sizeof(void*) == 8 ? c.words64 : c.words32);
        EXPECT_EQ(ElementCount(a.get()), c.count);
        EXPECT_EQ(rankOf(a.get()), c.rank);
        EXPECT_EQ(typeOf(a.get()), c.type);
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

TEST(AllocArrayOfSQType, MapsLogicalTypesToBlockTypes) {
    const std::pair<uint32_t, uint32_t> cases[] = {
        {kSqBool, kBool},     {kSqInt8, kInt8},     {kSqInt16, kInt16}, {kSqInt32, kInt32},
        {kSqDouble, kDouble}, {kSqComplex, kDouble}, {kSqApvInt, kInt32}, {kSqApvDouble, kDouble},
        {kSqChar, kChar},     {kSqChar32, kChar},   {kSqNested, kNested}, {kSqHetero, kNested},
    };
    for (auto [sq, apl] : cases) {
        uint32_t one = 1;
        ArrayPtr a(AllocArrayOfSQType(sq, 1, &one));
        EXPECT_EQ(typeOf(a.get()), apl) << "SQType " << sq;
    }
}

TEST(FreeArray, LeavesBlocksOfOtherOwnersAlone) {
    // A block owned by the interpreter, holding one of ours: neither may be freed.
    uint32_t one = 1, words = blockWordsFor(kNested, 1, one);
    auto* foreign = static_cast<APLArray*>(std::calloc(words, 4));
    writeHeader(foreign, words, kNested, 1, &one, 0);
    ArrayPtr ours(allocScalar(kInt32));
    setSlot(foreign, 0, ours.get());
    FreeArray(foreign);  // must not touch ours (ASan would report a double free below)
    EXPECT_EQ(typeOf(ours.get()), kInt32);
    std::free(foreign);
    EXPECT_EQ(FreeArray(nullptr), 0);
}

TEST(FreeArray, EmptyNestedArrayReleasesNoPrototype) {
    uint32_t zero = 0;
    APLArray* empty = AllocArray(kNested, 1, &zero);
    APLArray* stranger = allocScalar(kInt32);
    setSlot(empty, 0, stranger);  // the prototype slot is not released with the block
    FreeArray(empty);
    FreeArray(stranger);  // still ours to free: ASan catches a double free otherwise
}

TEST(TypeAccepts, NumbersWidenCharactersWidenNestedNever) {
    struct Case {
        uint32_t type;
        std::vector<uint32_t> accepted;
    };
    const Case cases[] = {
        {kBool, {1, 2, 3, 4, 5, 6}}, {kInt8, {2, 3, 4, 5, 6}}, {kInt16, {3, 4, 5, 6}},
        {kInt32, {4, 5, 6}},         {kDouble, {5, 6}},        {kChar, {9, 10, 11}},
        {kNested, {}},
    };
    for (const auto& c : cases) {
        ArrayPtr a(allocScalar(c.type));
        for (uint32_t wanted = 0; wanted < 16; ++wanted) {
            bool expected = std::find(c.accepted.begin(), c.accepted.end(), wanted) !=
                            c.accepted.end();
            EXPECT_EQ(TypeAccepts(a.get(), wanted), expected)
                << "type " << c.type << " wanted " << wanted;
        }
    }
}

TEST(EmptyVector, IsAnEmptyBooleanVector) {
    ArrayPtr a(EmptyVector());
    EXPECT_EQ(typeOf(a.get()), kBool);
    EXPECT_EQ(a->blockWords, 3u);
    EXPECT_EQ(ElementCount(a.get()), 0u);
}

}  // namespace
}  // namespace zrt
