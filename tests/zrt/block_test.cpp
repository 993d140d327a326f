// Arrays as the interpreter's blocks: the host lays its arguments out exactly as the layout
// says, reads results back with every header checked, and frees only what the library made.
#include <gtest/gtest.h>

#include <cstdlib>

#include "corpus.h"
#include "notation/block.h"
#include "notation/literal.h"
#include "notation/printer.h"

namespace zrt::host {
namespace {

TEST(Block, EveryArrayReadsBackFromItsBlock) {
    for (const Value& v : test::corpus()) {
        SCOPED_TRACE(printValue(v));
        HostBlock block(makeBlock(v));
        EXPECT_EQ(readBlock(block.get()), v);
    }
}

TEST(Block, HeadersFollowTheLayout) {
    struct Case {
        const char* literal;
        uint32_t type, rank, words;
    };
    const uint32_t slotWords = sizeof(void*) / 4;
    const Case cases[] = {
        {"'a'", kChar, 0, 3},
        {"double 1", kDouble, 0, 4},
        {"33⍴1 0", kBool, 1, 5},
        {"2 3⍴70000", kInt32, 2, 10},
        {"0⍴⊂'ab'", kNested, 1, 3 + slotWords},
        {"'ab' 'c'", kNested, 1, 3 + 2 * slotWords},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.literal);
        HostBlock a(makeBlock(parseLiteral(c.literal)));
        EXPECT_EQ(typeOf(a.get()), c.type);
        EXPECT_EQ(rankOf(a.get()), c.rank);
        EXPECT_EQ(a->blockWords, c.words);
        EXPECT_EQ(ownerClassOf(a.get()), 0u);  // the interpreter's: never the library's to free
    }
}

TEST(Block, ElementsAreLaidOutAsTheInterpreterDoes) {
    HostBlock bits(makeBlock(parseLiteral("1 0 1 1 0 0 0 0 1")));
    EXPECT_EQ(dataOf(bits.get())[0], 0xB0);  // first element in the most significant bit
    EXPECT_EQ(dataOf(bits.get())[1], 0x80);
    HostBlock ints(makeBlock(parseLiteral("¯2 300")));
    const uint8_t expected[] = {0xFE, 0xFF, 0x2C, 0x01};
    EXPECT_EQ(std::memcmp(dataOf(ints.get()), expected, 4), 0);
    HostBlock nested(makeBlock(parseLiteral("0⍴⊂'ab'")));
    EXPECT_EQ(readBlock(slotAt(nested.get(), 0)), charVector("ab"));  // the prototype
}

// A block as the library makes one: std::malloc'd, owner class 7 or 15.
APLArray* libraryBlock(uint32_t type, std::vector<uint32_t> shape) {
    uint64_t n = 1;
    for (uint32_t s : shape) n *= s;
    auto rank = static_cast<uint32_t>(shape.size());
    uint32_t words = blockWordsFor(type, rank, static_cast<uint32_t>(n));
    auto* a = static_cast<APLArray*>(std::calloc(words, 4));
    writeHeader(a, words, type, rank, shape.data(), type == kNested ? kOwnerNested : kOwnerSimple);
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
    std::free(wrongSize);
    std::free(badType);
    std::free(slotAt(nullItem, 0));
    std::free(nullItem);
    std::free(loop);
}

TEST(Block, AnEmptyPrototypeSlotReadsAsZilde) {
    APLArray* empty = libraryBlock(kNested, {0});
    EXPECT_EQ(readBlock(empty), parseLiteral("0⍴⊂⍬"));
    freeResultBlock(empty);
}

// Run under the address sanitizer, these fail on a leak or on a block freed twice.
TEST(Block, FreeingAResultReleasesTheLibrarysBlocksOnly) {
    HostBlock argument(makeBlock(parseLiteral("'kept'")));
    APLArray* result = libraryBlock(kNested, {3});
    setSlot(result, 0, libraryBlock(kInt32, {}));
    setSlot(result, 1, argument.get());  // a block of the interpreter's inside a result
    APLArray* empty = libraryBlock(kNested, {0});
    setSlot(empty, 0, libraryBlock(kChar, {2}));  // a prototype the library allocated
    setSlot(result, 2, empty);
    freeResultBlock(result);
    EXPECT_EQ(readBlock(argument.get()), charVector("kept"));
}

}  // namespace
}  // namespace zrt::host
