#include <gtest/gtest.h>

#include <functional>

#include "fastpath/scar.h"
#include "scar_writer.h"
#include "support/arrays.h"

namespace zrt {
namespace {

using namespace test;

ArrayPtr shaped(ArrayPtr v, std::vector<uint32_t> shape) {
    ArrayPtr a(AllocArray(typeOf(v.get()), static_cast<uint32_t>(shape.size()), shape.data()));
    std::memcpy(dataOf(a.get()), dataOf(v.get()), 4 * (a->blockWords - 2 - shape.size()));
    return a;
}

TEST(ScarDecode, ForeignNodeTypesInBothByteOrdersAndTheTextForm) {
    // Complex numbers become pairs of doubles, wide characters their bytes low first, a boxed
    // array (not supported) an empty vector.
    ArrayPtr expected = args(
        bools({1, 0, 1}), ints({3, 5, 7, 9}),
        shaped(doubles({0, 1.5, 3, 4.5}), {2, 2}), shaped(chars("aAbAcA"), {3, 2}),
        args(intScalar(1), intScalar(-5), intScalar(-300), intScalar(70000), doubleScalar(2.5),
             charScalar('x'), chars("hi")),
        bools({}));
    for (char order : {'L', 'B'}) {
        for (bool text : {false, true}) {
            SCOPED_TRACE(std::string(1, order) + (text ? " text" : " binary"));
            std::vector<uint8_t> bytes = everyNodeType(order);
            if (text) bytes = textForm(bytes);
            TreePtr out;
            ASSERT_EQ(decode(bytes, out), kOk);
            EXPECT_TRUE(sameArray(expected.get(), out.get()));
        }
    }
}

TEST(ScarDecode, OneByteCharactersAreTranslatedWideOnesAreNot) {
    uint8_t table[256];
    for (int b = 0; b < 256; ++b) table[b] = static_cast<uint8_t>(b);
    table['a'] = 'Z';
    ScarWriter w('B', "OTHER");  // 'aba', a 2-byte 'a' and a heterogeneous 'a'
    size_t root = w.node(kSqNested, {3}, 12), text = w.node(kSqChar, {3}, 3);
    std::memcpy(&w.bytes[w.data(text)], "aba", 3);
    size_t wide = w.node(kSqChar16, {1}, 2);
    w.half(w.data(wide), 'a');
    size_t het = w.node(kSqHetero, {1}, 10);
    w.bytes[w.data(het)] = kSqChar, w.bytes[w.data(het) + 2] = 'a';
    w.link(root, 0, text), w.link(root, 1, wide), w.link(root, 2, het);
    TreePtr out;
    ASSERT_EQ(decode(w.bytes, out, table), kOk);
    ArrayPtr expected = args(chars("ZbZ"), shaped(chars(std::string("a\0", 2)), {1, 2}), args(charScalar('Z')));
    EXPECT_TRUE(sameArray(expected.get(), out.get()));
}

TEST(ScarDecode, DamageIsFoundWithoutFollowingIt) {
    using Build = std::function<void(ScarWriter&)>;
    auto single = [](uint8_t type, std::vector<uint32_t> shape, size_t bytes) -> Build {
        return [=](ScarWriter& w) { w.node(type, shape, bytes); };
    };
    const std::pair<const char*, Build> cases[] = {
        {"type 200", single(200, {1}, 4)},
        {"complex of rank 15: no room for the extra axis",
         single(kSqComplex, std::vector<uint32_t>(15, 1), 16)},
        {"shape whose product passes 32 bits", single(kSqBool, {0x10000, 0x10000}, 0)},
        {"data beyond the node's length",
         [](ScarWriter& w) { w.word(w.node(kSqDouble, {2}, 16), 12 + 8); }},
        {"node length beyond the buffer",
         [](ScarWriter& w) { w.word(w.node(kSqDouble, {1}, 8), 1000); }},
        {"header cut short", [](ScarWriter& w) { w.bytes.resize(w.bytes.size() + 6, 0); }},
        {"item offset 0: the node itself", single(kSqNested, {1}, 4)},
        {"two items sharing one node",
         [](ScarWriter& w) {
             size_t root = w.node(kSqNested, {2}, 8), item = w.node(kSqInt32, {}, 4);
             w.link(root, 0, item);
             w.link(root, 1, item);
         }},
        {"nesting deeper than the limit",
         [](ScarWriter& w) {
             for (uint32_t k = 0; k < kMaxScarDepth; ++k) w.word(w.data(w.node(kSqNested, {}, 4)), 12);
             w.node(kSqInt32, {}, 4);
         }},
        // Its element would be a scalar one level deeper than FileWrite takes.
        {"heterogeneous node at the deepest level",
         [](ScarWriter& w) {
             for (uint32_t k = 1; k < kMaxScarDepth; ++k) w.word(w.data(w.node(kSqNested, {}, 4)), 12);
             w.bytes[w.data(w.node(kSqHetero, {1}, 10))] = kSqInt32;
         }},
    };
    for (const auto& [name, build] : cases) {
        for (char order : {'L', 'B'}) {
            SCOPED_TRACE(std::string(name) + " " + order);
            ScarWriter w(order);
            build(w);
            TreePtr out;
            EXPECT_EQ(decode(w.bytes, out), kFileError);
            EXPECT_EQ(out, nullptr);
        }
    }
}

// A few bytes may describe a large array: what the tree would take is counted before anything
// is allocated, and a tree over the limit gives 10012.
TEST(ScarDecode, TheMemoryLimitIsCheckedBeforeAnythingIsBuilt) {
    auto progression = [](uint32_t n) {
        ScarWriter w('L');
        w.node(kSqApvInt, {n}, 8);
        return w.bytes;
    };
    auto nestedOfEmpties = [](uint32_t n) {
        ScarWriter w('L');
        size_t root = w.node(kSqNested, {n}, 4 * size_t(n));
        for (uint32_t k = 0; k < n; ++k) w.link(root, k, w.node(kSqInt32, {0}, 0));
        return w.bytes;
    };
    const uint64_t mb = 1 << 20;
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        uint64_t limit;
        Code code;
    } cases[] = {
        {"2^26 - 1 integers from 16 bytes", progression((1u << 26) - 1), 256 * mb, kNoMemory},
        {"a billion from 16 bytes", progression(1u << 30), 1024 * mb, kNoMemory},
        {"within the limit", progression(1000), mb, kOk},
        {"the items count too", nestedOfEmpties(1000), 8000, kNoMemory},
        {"items within the limit", nestedOfEmpties(1000), mb, kOk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TreePtr out;
        EXPECT_EQ(decode(c.bytes, out, nullptr, c.limit), c.code);
        EXPECT_EQ(out != nullptr, c.code == kOk);
    }
}

// What decodes encodes again: a heterogeneous node one level above the deepest.
TEST(ScarDecode, WhatIsReadWritesBack) {
    ScarWriter w('L');
    for (uint32_t k = 2; k < kMaxScarDepth; ++k) w.word(w.data(w.node(kSqNested, {}, 4)), 12);
    w.bytes[w.data(w.node(kSqHetero, {1}, 10))] = kSqInt32;
    TreePtr out;
    ASSERT_EQ(decode(w.bytes, out), kOk);
    ScarBuffer again;
    EXPECT_EQ(EncodeScar(out.get(), again), kOk);
}

}  // namespace
}  // namespace zrt
