#include <gtest/gtest.h>

#include <functional>

#include "fastpath/scar.h"
#include "scar_writer.h"
#include "support/arrays.h"

namespace zrt {
namespace {

using namespace test;

Code decode(std::vector<uint8_t> bytes, TreePtr& out, const uint8_t* table = nullptr) {
    ByteSpan span{bytes.data(), bytes.size()};
    std::unique_ptr<uint8_t[]> decoded;
    if (Code c = XSCARDecode(span, 'L', table, decoded)) return c;
    return SCARToAPL(span, kScarHeaderSize, out);
}

ArrayPtr shaped(ArrayPtr v, std::vector<uint32_t> shape) {
    ArrayPtr a(AllocArray(typeOf(v.get()), static_cast<uint32_t>(shape.size()), shape.data()));
    std::memcpy(dataOf(a.get()), dataOf(v.get()), 4 * (a->blockWords - 2 - shape.size()));
    return a;
}

ArrayPtr int16s(std::vector<int16_t> values) {
    ArrayPtr a(allocVector(kInt16, static_cast<uint32_t>(values.size())));
    std::memcpy(dataOf(a.get()), values.data(), 2 * values.size());
    return a;
}

// (int16 1 -2 300) 2.5 'AB' (1 0 1) (2 2 matrix of 4-byte integers), built in either order.
std::vector<uint8_t> mixedTree(char order) {
    ScarWriter w(order);
    size_t root = w.node(kSqNested, {5}, 20);
    size_t a = w.node(kSqInt16, {3}, 6);
    w.half(w.data(a), 1);
    w.half(w.data(a) + 2, static_cast<uint16_t>(-2));
    w.half(w.data(a) + 4, 300);
    size_t b = w.node(kSqDouble, {}, 8);
    w.real(w.data(b), 2.5);
    size_t c = w.node(kSqChar, {2}, 2);
    w.bytes[w.data(c)] = 'A';
    w.bytes[w.data(c) + 1] = 'B';
    size_t d = w.node(kSqBool, {3}, 1);
    w.bytes[w.data(d)] = 0xA0;
    size_t e = w.node(kSqInt32, {2, 2}, 16);
    for (uint32_t k = 0; k < 4; ++k) w.word(w.data(e) + 4 * k, 70000 * (k + 1));
    for (auto [k, child] : {std::pair{0u, a}, {1u, b}, {2u, c}, {3u, d}, {4u, e}}) w.link(root, k, child);
    return w.bytes;
}

ArrayPtr mixedExpected() {
    return args(int16s({1, -2, 300}), doubleScalar(2.5), chars("AB"), bools({1, 0, 1}),
                shaped(ints({70000, 140000, 210000, 280000}), {2, 2}));
}

TEST(SCARDecode, BothByteOrdersAndTheTextFormGiveTheSameArrays) {
    ArrayPtr expected = mixedExpected();
    for (char order : {'L', 'B'}) {
        for (bool text : {false, true}) {
            SCOPED_TRACE(std::string(1, order) + (text ? " text" : " binary"));
            std::vector<uint8_t> bytes = mixedTree(order);
            if (text) bytes = textForm(bytes);
            TreePtr out;
            ASSERT_EQ(decode(bytes, out), kOk);
            EXPECT_TRUE(sameArray(expected.get(), out.get()));
        }
    }
}

TEST(SCARDecode, TheTextFormEndsWithItsLastGroup) {
    // 2 characters give 1 byte, 3 give 2, a lone character nothing.
    const uint8_t text[] = {'!', '"', '#', '$', '%', '&', '\'', 0, 'X'};
    uint8_t out[8];
    size_t written;
    for (auto [length, bytes] : {std::pair{size_t(4), size_t(3)}, {5, 3}, {6, 4}, {7, 5}, {9, 5}}) {
        SCOPED_TRACE(length);
        EXPECT_EQ(ScarTextDecodedSize(text, length), bytes);
        DecodeScarText(text, length, out, written);
        EXPECT_EQ(written, bytes);
    }
    // "!" "\"" "#" "$" are the 6-bit values 1 2 3 4.
    EXPECT_EQ(out[0], 1 << 2 | 2 >> 4);
    EXPECT_EQ(out[1], uint8_t(2 << 4 | 3 >> 2));
    EXPECT_EQ(out[2], uint8_t(3 << 6 | 4));
}

// Nodes that the encoder never writes, each built by hand in both byte orders.
struct HandCase {
    const char* name;
    std::function<void(ScarWriter&)> build;
    std::function<ArrayPtr()> expected;
};

const HandCase kHandCases[] = {
    {"arithmetic progression of integers: 3 5 7 9",
     [](ScarWriter& w) {
         size_t n = w.node(kSqApvInt, {4}, 8);
         w.word(w.data(n), 3);
         w.word(w.data(n) + 4, 2);
     },
     [] { return ints({3, 5, 7, 9}); }},
    {"arithmetic progression of doubles, a 2 by 2 matrix",
     [](ScarWriter& w) {
         size_t n = w.node(kSqApvDouble, {2, 2}, 16);
         w.real(w.data(n), 0.5);
         w.real(w.data(n) + 8, -0.25);
     },
     [] { return shaped(doubles({0.5, 0.25, 0, -0.25}), {2, 2}); }},
    {"complex numbers become pairs of doubles",
     [](ScarWriter& w) {
         size_t n = w.node(kSqComplex, {2}, 32);
         for (int k = 0; k < 4; ++k) w.real(w.data(n) + 8 * k, 1.5 * k);
     },
     [] { return shaped(doubles({0, 1.5, 3, 4.5}), {2, 2}); }},
    {"2-byte characters become a 3 by 2 matrix of their bytes, low byte first",
     [](ScarWriter& w) {
         size_t n = w.node(kSqChar16, {3}, 6);
         for (int k = 0; k < 3; ++k) w.half(w.data(n) + 2 * k, static_cast<uint16_t>(0x4100 + 'a' + k));
     },
     [] { return shaped(chars("aAbAcA"), {3, 2}); }},
    {"4-byte characters become 4 bytes each",
     [](ScarWriter& w) {
         size_t n = w.node(kSqChar32, {1}, 4);
         w.word(w.data(n), 0x44434241);
     },
     [] { return shaped(chars("ABCD"), {1, 4}); }},
    {"heterogeneous elements become enclosed scalars and nodes",
     [](ScarWriter& w) {
         size_t n = w.node(kSqHetero, {7}, 70);
         size_t d = w.data(n);
         w.bytes[d] = kSqBool, w.bytes[d + 2] = 0x80;
         w.bytes[d + 10] = kSqInt8, w.bytes[d + 12] = 0xFB;
         w.bytes[d + 20] = kSqInt16, w.half(d + 22, static_cast<uint16_t>(-300));
         w.bytes[d + 30] = kSqInt32, w.word(d + 32, 70000);
         w.bytes[d + 40] = kSqDouble, w.real(d + 42, 2.5);
         w.bytes[d + 50] = kSqChar, w.bytes[d + 52] = 'x';
         w.bytes[d + 60] = kSqNested;
         size_t text = w.node(kSqChar, {2}, 2);
         w.bytes[w.data(text)] = 'h', w.bytes[w.data(text) + 1] = 'i';
         w.word(d + 62, static_cast<uint32_t>(text - n));
     },
     [] {
         return args(intScalar(1), intScalar(-5), intScalar(-300), intScalar(70000), doubleScalar(2.5),
                     charScalar('x'), chars("hi"));
     }},
    {"a boxed array is not supported: an empty vector",
     [](ScarWriter& w) { w.node(kSqBoxed, {2}, 8); },
     [] { return bools({}); }},
};

TEST(SCARDecode, HandBuiltNodesInBothByteOrders) {
    for (const HandCase& c : kHandCases) {
        for (char order : {'L', 'B'}) {
            SCOPED_TRACE(std::string(c.name) + " " + order);
            ScarWriter w(order);
            c.build(w);
            TreePtr out;
            ASSERT_EQ(decode(w.bytes, out), kOk);
            ArrayPtr expected = c.expected();
            EXPECT_TRUE(sameArray(expected.get(), out.get()));
        }
    }
}

TEST(SCARDecode, OneByteCharactersAreTranslatedWideOnesAreNot) {
    uint8_t table[256];
    for (int b = 0; b < 256; ++b) table[b] = static_cast<uint8_t>(b);
    table['a'] = 'Z';
    ScarWriter w('B', "OTHER");
    size_t root = w.node(kSqNested, {3}, 12);
    size_t text = w.node(kSqChar, {3}, 3);
    std::memcpy(&w.bytes[w.data(text)], "aba", 3);
    size_t wide = w.node(kSqChar16, {1}, 2);
    w.half(w.data(wide), 'a');
    size_t het = w.node(kSqHetero, {1}, 10);
    w.bytes[w.data(het)] = kSqChar;
    w.bytes[w.data(het) + 2] = 'a';
    w.link(root, 0, text);
    w.link(root, 1, wide);
    w.link(root, 2, het);
    TreePtr out;
    ASSERT_EQ(decode(w.bytes, out, table), kOk);
    ArrayPtr expected = args(chars("ZbZ"), shaped(chars(std::string("a\0", 2)), {1, 2}), args(charScalar('Z')));
    EXPECT_TRUE(sameArray(expected.get(), out.get()));
}

TEST(SCARDecode, DamageIsFoundWithoutFollowingIt) {
    struct Case {
        const char* name;
        std::function<void(ScarWriter&)> build;
    };
    auto single = [](uint8_t type, std::vector<uint32_t> shape, size_t bytes) {
        return [=](ScarWriter& w) { w.node(type, shape, bytes); };
    };
    const Case cases[] = {
        {"type 0", single(kSqNone, {1}, 4)},
        {"type 200", single(200, {1}, 4)},
        {"rank 16", [](ScarWriter& w) { w.node(kSqInt32, std::vector<uint32_t>(16, 1), 4); }},
        {"complex of rank 15: no room for the extra axis",
         [](ScarWriter& w) { w.node(kSqComplex, std::vector<uint32_t>(15, 1), 16); }},
        {"data beyond the node's length",
         [](ScarWriter& w) { w.word(w.node(kSqDouble, {2}, 16), 12 + 8); }},
        {"node length beyond the buffer",
         [](ScarWriter& w) { w.word(w.node(kSqDouble, {1}, 8), 1000); }},
        {"shape whose product passes 32 bits",
         [](ScarWriter& w) { w.node(kSqBool, {0x10000, 0x10000}, 0); }},
        {"header cut short", [](ScarWriter& w) { w.bytes.resize(w.bytes.size() + 6, 0); }},
        {"heterogeneous tag 6",
         [](ScarWriter& w) { w.bytes[w.data(w.node(kSqHetero, {1}, 10))] = kSqComplex; }},
        {"item offset beyond the buffer",
         [](ScarWriter& w) { w.word(w.data(w.node(kSqNested, {1}, 4)), 4000); }},
        {"item offset 0: the node itself",
         [](ScarWriter& w) { w.node(kSqNested, {1}, 4); }},
        {"two items sharing one node",
         [](ScarWriter& w) {
             size_t root = w.node(kSqNested, {2}, 8);
             size_t item = w.node(kSqInt32, {}, 4);
             w.link(root, 0, item);
             w.link(root, 1, item);
         }},
        {"nesting deeper than the limit",
         [](ScarWriter& w) {
             for (uint32_t k = 0; k < kMaxScarDepth; ++k) {
                 size_t n = w.node(kSqNested, {}, 4);
                 w.word(w.data(n), 12);
             }
             w.node(kSqInt32, {}, 4);
         }},
    };
    for (const Case& c : cases) {
        for (char order : {'L', 'B'}) {
            SCOPED_TRACE(std::string(c.name) + " " + order);
            ScarWriter w(order);
            c.build(w);
            TreePtr out;
            EXPECT_EQ(decode(w.bytes, out), kFileError);
            EXPECT_EQ(out, nullptr);
        }
    }
}

TEST(SCARDecode, UnknownFormOrByteOrderLettersAreRefused) {
    for (auto [form, order] : {std::pair{'C', 'L'}, {'B', 'X'}}) {
        ScarWriter w('L');
        w.node(kSqInt32, {}, 4);
        w.bytes[0] = static_cast<uint8_t>(form);
        w.bytes[1] = static_cast<uint8_t>(order);
        TreePtr out;
        EXPECT_EQ(decode(w.bytes, out), kNoDefaultChar);
    }
}

}  // namespace
}  // namespace zrt
