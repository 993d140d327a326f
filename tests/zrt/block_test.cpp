// Arrays as the interpreter's blocks: the host lays its arguments out exactly as the layout
// says, reads results back with every header checked, and frees only what the library made.
#include <gtest/gtest.h>

#include <cstdlib>

#include "notation/block.h"
#include "notation/literal.h"

namespace zrt::host {
namespace {

TEST(Block, HeadersAndElementsFollowTheLayout) {
    const uint32_t slotWords = sizeof(void*) / 4;
    HostBlock bits(makeBlock(parseLiteral("33⍴1 0 1 1 0 0 0 0")));
    EXPECT_EQ(bits->blockWords, 5u);
    EXPECT_EQ(dataOf(bits.get())[0], 0xB0);  // first element in the most significant bit
    EXPECT_EQ(dataOf(bits.get())[4], 0x80);
    HostBlock ints(makeBlock(parseLiteral("int16 2 1⍴¯2 300")));
    EXPECT_EQ(rankOf(ints.get()), 2u);
    EXPECT_EQ(ints->blockWords, 5u);
    const uint8_t expected[] = {0xFE, 0xFF, 0x2C, 0x01};
    EXPECT_EQ(std::memcmp(dataOf(ints.get()), expected, 4), 0);
    HostBlock nested(makeBlock(parseLiteral("0⍴⊂'ab'")));
    EXPECT_EQ(nested->blockWords, 3 + slotWords);
    EXPECT_EQ(readBlock(slotAt(nested.get(), 0)), charVector("ab"));  // the prototype
}

// A block as the library makes one: std::malloc'd, owner class 7 or 15.
APLArray* libraryBlock(uint32_t type, std::vector<uint32_t> shape) {
    uint32_t n = 1;
    for (uint32_t s : shape) n *= s;
    auto rank = static_cast<uint32_t>(shape.size());
    auto* a = static_cast<APLArray*>(std::calloc(blockWordsFor(type, rank, n), 4));
    writeHeader(a, blockWordsFor(type, rank, n), type, rank, shape.data(),
                type == kNested ? kOwnerNested : kOwnerSimple);
    return a;
}

TEST(Block, AResultWithAFaultyHeaderIsReportedNotRead) {
    APLArray* wrongSize = libraryBlock(kInt32, {3});
    wrongSize->blockWords = 4;
    APLArray* badType = libraryBlock(kInt8, {});
    badType->descriptor = static_cast<uint16_t>((badType->descriptor & ~0xF00u) | (9u << 8));
    APLArray* nullItem = libraryBlock(kNested, {2});
    setSlot(nullItem, 0, libraryBlock(kChar, {}));
    APLArray* loop = libraryBlock(kNested, {});
    setSlot(loop, 0, loop);
    for (APLArray* a : {wrongSize, badType, nullItem, loop}) EXPECT_THROW(readBlock(a), HostError);
    EXPECT_THROW(readBlock(nullptr), HostError);
    for (APLArray* a : {wrongSize, badType, slotAt(nullItem, 0), nullItem, loop}) std::free(a);
}

// Run under the address sanitizer, this fails on a leak or on a block freed twice.
TEST(Block, FreeingAResultReleasesTheLibrarysBlocksOnly) {
    APLArray* empty = libraryBlock(kNested, {0});
    EXPECT_EQ(readBlock(empty), parseLiteral("0⍴⊂⍬")) << "an empty prototype slot";
    HostBlock argument(makeBlock(parseLiteral("'kept'")));
    APLArray* result = libraryBlock(kNested, {3});
    setSlot(result, 0, libraryBlock(kInt32, {}));
    setSlot(result, 1, argument.get());  // a block of the interpreter's inside a result
    setSlot(empty, 0, libraryBlock(kChar, {2}));  // a prototype the library allocated
    setSlot(result, 2, empty);
    freeResultBlock(result);
    EXPECT_EQ(readBlock(argument.get()), charVector("kept"));
}

}  // namespace
}  // namespace zrt::host
