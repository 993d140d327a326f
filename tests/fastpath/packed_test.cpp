#include "fastpath/packed.h"

#include <gtest/gtest.h>

#include <vector>

#include "fastpath/byte_order.h"
#include "support/arrays.h"

namespace zrt {
namespace {

using namespace test;

std::vector<uint8_t> packedOf(const APLArray* a) {
    std::vector<uint8_t> bytes(4 * PackedWords(a));
    EXPECT_EQ(Pack(a, bytes.data()), bytes.size());
    return bytes;
}

std::vector<uint32_t> wordsOf(const std::vector<uint8_t>& bytes) {
    std::vector<uint32_t> words;
    for (size_t k = 0; k + 4 <= bytes.size(); k += 4) words.push_back(load32le(&bytes[k]));
    return words;
}

TEST(Pack, LayoutIsTheSameOnEveryTarget) {
    // Simple: the whole block, first word + 1. Nested: the header alone, first word the size
    // the block has with 4-byte slots, + 1; then the items.
    const uint32_t charVector = kChar << 8 | 1 << 4 | kOwnerSimple;
    const uint32_t intScalarDesc = kInt32 << 8 | kOwnerSimple;
    const uint32_t nestedVector = kNested << 8 | 1 << 4 | kOwnerNested;
    const uint32_t boolVector = kBool << 8 | 1 << 4 | kOwnerSimple, zero = 0;
    struct Case {
        const char* name;
        ArrayPtr array;
        std::vector<uint32_t> words;
    } cases[] = {
        {"character vector of 3", chars("abc"), {5, charVector, 3, 0x00636261}},
        {"nested vector of two integer scalars", args(intScalar(7), intScalar(-1)),
         {6, nestedVector, 2, 4, intScalarDesc, 7, 4, intScalarDesc, 0xFFFFFFFF}},
        {"empty nested vector: its prototype follows", ArrayPtr(AllocArray(kNested, 1, &zero)),
         {5, nestedVector, 0, 4, boolVector, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = packedOf(c.array.get());
        EXPECT_EQ(wordsOf(bytes), c.words);
        uint32_t size = 0;
        ASSERT_EQ(PackedSize(bytes.data(), bytes.size(), size), kOk);
        EXPECT_EQ(size, bytes.size());
        TreePtr back;  // and back, to the same bytes
        ASSERT_EQ(Unpack(bytes.data(), bytes.size(), back), kOk);
        EXPECT_EQ(packedOf(back.get()), bytes);
    }
}

TEST(Unpack, DamagedDataIsRefusedBeforeItIsFollowed) {
    const uint32_t intVector = kInt32 << 8 | 1 << 4 | kOwnerSimple;
    const uint32_t nestedVector = kNested << 8 | 1 << 4 | kOwnerNested;
    struct Case {
        const char* name;
        std::vector<uint32_t> words;
    };
    std::vector<uint32_t> deep;
    for (uint32_t k = 0; k <= kMaxPackedDepth; ++k) deep.insert(deep.end(), {4, nestedVector, 1});
    deep.insert(deep.end(), {5, intVector, 1, 9});
    const Case cases[] = {
        {"APLType 7", {5, 7 << 8 | 1 << 4 | 15, 1, 0}},
        {"first word 0", {0, intVector, 1, 9}},
        {"block smaller than its shape", {5, intVector, 2, 9}},
        {"shape past the buffer", {5, 2 << 4 | kInt32 << 8 | 15, 1}},
        {"more items than the buffer can hold", {6, nestedVector, 1000000, 5, intVector, 1, 9}},
        {"shape product beyond 32 bits", {6, kNested << 8 | 2 << 4 | 7, 0x10000, 0x10000}},
        {"an item missing", {6, nestedVector, 2, 5, intVector, 1, 9}},
        {"nesting deeper than the limit", deep},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes(4 * c.words.size());
        for (size_t k = 0; k < c.words.size(); ++k) store32le(&bytes[4 * k], c.words[k]);
        uint32_t size = 0;
        EXPECT_EQ(PackedSize(bytes.data(), bytes.size(), size), kBadType);
        TreePtr out;
        EXPECT_EQ(Unpack(bytes.data(), bytes.size(), out), kBadType);
        EXPECT_EQ(out, nullptr);
    }
}

}  // namespace
}  // namespace zrt
