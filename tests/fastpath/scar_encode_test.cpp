#include <gtest/gtest.h>

#include "fastpath/byte_order.h"
#include "fastpath/scar.h"
#include "frame/args.h"
#include "frame/xlate.h"
#include "scar_writer.h"
#include "support/arrays.h"

namespace zrt {
namespace {

using namespace test;

ArrayPtr emptyNested() {
    uint32_t zero = 0;
    return ArrayPtr(AllocArray(kNested, 1, &zero));
}

ArrayPtr nestedChain(uint32_t depth) {
    ArrayPtr a = ints({7});
    for (uint32_t k = 1; k < depth; ++k) a = args(std::move(a));
    return a;
}

Code roundTrip(const APLArray* a, TreePtr& out) {
    ScarBuffer scar;
    if (Code c = EncodeSCAR(a, scar)) return c;
    ByteSpan span{scar.bytes.get(), scar.size};
    std::unique_ptr<uint8_t[]> decoded;
    if (Code c = XSCARDecode(span, 'L', nullptr, decoded)) return c;
    return SCARToAPL(span, kScarHeaderSize, out);
}

TEST(EncodeSCAR, NodeSizesOfTheEdgeCases) {
    struct Case {
        const char* name;
        ArrayPtr array;
        uint64_t treeSize;
    };
    Case cases[] = {
        {"character vector of 5: 3 padding bytes", chars("ABCDE"), 20},
        {"Boolean scalar", ArrayPtr(allocScalar(kBool)), 12},
        {"Boolean vector of 33: two words", bools({1, 0, 1, 1, 1, 0, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 1,
                                                  0, 1, 1, 1, 0, 0, 0, 1, 0, 1, 1, 1, 0, 0, 0, 1}),
         20},
        {"empty nested vector: node and prototype", emptyNested(), 16 + 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint64_t size = 0;
        ASSERT_EQ(SCARSize(c.array.get(), size), kOk);
        EXPECT_EQ(size, c.treeSize);
        ScarBuffer scar;
        ASSERT_EQ(EncodeSCAR(c.array.get(), scar), kOk);
        EXPECT_EQ(scar.size, c.treeSize + 8);
    }
}

TEST(EncodeSCAR, NestedItemsFollowTheirNodeAtTheirOffsets) {
    ArrayPtr a = args(chars("AB"), chars("C"));
    ScarBuffer scar;
    ASSERT_EQ(EncodeSCAR(a.get(), scar), kOk);
    const uint8_t* b = scar.bytes.get();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b), 8), "BL" + std::string(DyalogCharset().text, 6));
    const uint8_t* root = b + 8;
    EXPECT_EQ(load32le(root), 20u);
    EXPECT_EQ(root[4], kSqNested);
    EXPECT_EQ(root[5], 1);
    EXPECT_EQ(load32le(root + 8), 2u);
    EXPECT_EQ(load32le(root + 12), 20u);
    EXPECT_EQ(load32le(root + 16), 36u);
    const uint8_t* second = root + 36;
    EXPECT_EQ(load32le(second), 16u);
    EXPECT_EQ(second[4], kSqChar);
    EXPECT_EQ(second[12], 'C');
    EXPECT_EQ(second[13] | second[14] | second[15], 0);  // padding is zeroed
}

TEST(EncodeSCAR, RefusesArraysItCannotWriteOrReadBack) {
    ArrayPtr odd = ints({1});
    odd->descriptor = static_cast<uint16_t>((odd->descriptor & ~0x0F00u) | 7u << 8);
    uint64_t size;
    EXPECT_EQ(SCARSize(odd.get(), size), kBadType);
    EXPECT_EQ(SCARSize(nullptr, size), kBadType);
    EXPECT_EQ(SCARSize(nestedChain(kMaxScarDepth).get(), size), kOk);
    EXPECT_EQ(SCARSize(nestedChain(kMaxScarDepth + 1).get(), size), kBadType);
}

// The files' tests round-trip integers of every width, Booleans, nested and empty nested arrays.
TEST(EncodeSCAR, EdgesOfTheArrayTypesComeBackUnchanged) {
    uint32_t emptyMatrix[2] = {0, 3};
    struct Case {
        const char* name;
        ArrayPtr array;
    };
    Case cases[] = {
        {"doubles", doubles({1.5, -0.0, 1e300, -2.25})},
        {"character scalar", charScalar('x')},
        {"empty character vector", chars("")},
        {"empty numeric matrix", ArrayPtr(AllocArray(kDouble, 2, emptyMatrix))},
        {"the deepest writable tree", nestedChain(kMaxScarDepth)},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        TreePtr back;
        ASSERT_EQ(roundTrip(c.array.get(), back), kOk);
        EXPECT_TRUE(sameArray(c.array.get(), back.get()));
    }
}

}  // namespace
}  // namespace zrt
