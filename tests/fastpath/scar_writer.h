// SCAR buffers built by hand in either byte order, their text form, a tree of every node type,
// the sample array of the files, and a deep comparison of array trees.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fastpath/packed.h"
#include "fastpath/scar.h"
#include "frame/args.h"
#include "frame/array.h"
#include "support/arrays.h"

namespace zrt::test {

class ScarWriter {
public:
    explicit ScarWriter(char order, const std::string& charset = "DYALOG") : order_(order) {
        bytes = {'B', static_cast<uint8_t>(order), ' ', ' ', ' ', ' ', ' ', ' '};
        std::memcpy(bytes.data() + 2, charset.data(), std::min<size_t>(6, charset.size()));
    }

    // Appends a node with zeroed data of dataBytes (padded to whole words); its position.
    size_t node(uint8_t type, const std::vector<uint32_t>& shape, size_t dataBytes) {
        const size_t at = bytes.size();
        const size_t length = 8 + 4 * shape.size() + (dataBytes + 3) / 4 * 4;
        bytes.resize(at + length, 0);
        word(at, static_cast<uint32_t>(length));
        bytes[at + 4] = type;
        bytes[at + 5] = static_cast<uint8_t>(shape.size());
        for (size_t i = 0; i < shape.size(); ++i) word(at + 8 + 4 * i, shape[i]);
        return at;
    }
    size_t data(size_t node) const { return node + 8 + 4 * size_t(bytes[node + 5]); }

    // Fields in the buffer's byte order.
    void put(size_t at, const void* value, size_t width) {
        const auto* v = static_cast<const uint8_t*>(value);
        for (size_t k = 0; k < width; ++k) bytes[at + k] = v[order_ == 'L' ? k : width - 1 - k];
    }
    void word(size_t at, uint32_t v) { put(at, &v, 4); }
    void half(size_t at, uint16_t v) { put(at, &v, 2); }
    void real(size_t at, double v) { put(at, &v, 8); }
    // Item k of a nested node refers to the node at child.
    void link(size_t nested, uint32_t k, size_t child) {
        word(data(nested) + 4 * k, static_cast<uint32_t>(child - nested));
    }

    std::vector<uint8_t> bytes;

private:
    char order_;
};

// The text form of a binary buffer: its header with 'A', then each 3 bytes as 4 characters of
// 32 + 6 bits, then a NUL.
inline std::vector<uint8_t> textForm(const std::vector<uint8_t>& binary) {
    std::vector<uint8_t> out(binary.begin(), binary.begin() + 8);
    out[0] = 'A';
    auto six = [](unsigned v) { return static_cast<uint8_t>(32 + (v & 63)); };
    for (size_t k = 8; k < binary.size(); k += 3) {
        unsigned b0 = binary[k], b1 = k + 1 < binary.size() ? binary[k + 1] : 0,
                 b2 = k + 2 < binary.size() ? binary[k + 2] : 0;
        out.push_back(six(b0 >> 2));
        out.push_back(six(b0 << 4 | b1 >> 4));
        if (k + 1 < binary.size()) out.push_back(six(b1 << 2 | b2 >> 6));
        if (k + 2 < binary.size()) out.push_back(six(b2));
    }
    out.push_back(0);
    return out;
}

// A nested vector of the node types only other writers produce, and Booleans: (1 0 1)
// (progression 3 5 7 9) (complex 0J1.5 3J4.5) (2-byte 'abc' over 'A') (heterogeneous: 1 ¯5
// ¯300 70000 2.5 'x' 'hi') (boxed).
inline std::vector<uint8_t> everyNodeType(char order, const std::string& charset = "DYALOG") {
    ScarWriter w(order, charset);
    size_t root = w.node(kSqNested, {6}, 24);
    std::vector<size_t> items;
    auto add = [&](uint8_t type, std::vector<uint32_t> shape, size_t bytes) {
        items.push_back(w.node(type, shape, bytes));
        return w.data(items.back());
    };
    w.bytes[add(kSqBool, {3}, 1)] = 0xA0;
    size_t d = add(kSqApvInt, {4}, 8);
    w.word(d, 3), w.word(d + 4, 2);
    d = add(kSqComplex, {2}, 32);
    for (int k = 0; k < 4; ++k) w.real(d + 8 * k, 1.5 * k);
    d = add(kSqChar16, {3}, 6);
    for (int k = 0; k < 3; ++k) w.half(d + 2 * k, static_cast<uint16_t>(0x4100 + 'a' + k));
    d = add(kSqHetero, {7}, 70);
    const size_t het = items.back();
    w.bytes[d] = kSqBool, w.bytes[d + 2] = 0x80;
    w.bytes[d + 10] = kSqInt8, w.bytes[d + 12] = 0xFB;
    w.bytes[d + 20] = kSqInt16, w.half(d + 22, static_cast<uint16_t>(-300));
    w.bytes[d + 30] = kSqInt32, w.word(d + 32, 70000);
    w.bytes[d + 40] = kSqDouble, w.real(d + 42, 2.5);
    w.bytes[d + 50] = kSqChar, w.bytes[d + 52] = 'x';
    w.bytes[d + 60] = kSqNested;
    size_t text = w.node(kSqChar, {2}, 2);
    w.bytes[w.data(text)] = 'h', w.bytes[w.data(text) + 1] = 'i';
    w.word(d + 62, static_cast<uint32_t>(text - het));
    add(kSqBoxed, {2}, 8);
    for (uint32_t k = 0; k < items.size(); ++k) w.link(root, k, items[k]);
    return w.bytes;
}

// The array of the sample files: every element type, an empty and a deeper nested item.
inline ArrayPtr sampleArray() {
    uint32_t shape[2] = {2, 2}, zero = 0;
    ArrayPtr matrix(AllocArray(kInt32, 2, shape));
    for (uint32_t k = 0; k < 4; ++k)
        (void)SetItemInt(matrix.get(), k, -70000 * static_cast<int32_t>(k));
    ArrayPtr small(AllocVector(kInt8, 2)), mid(AllocVector(kInt16, 1));
    dataOf(small.get())[0] = 0xFE;
    dataOf(small.get())[1] = 0x7F;
    int16_t m = -12345;
    std::memcpy(dataOf(mid.get()), &m, 2);
    return args(chars("Sales"), std::move(matrix), doubles({1.5, -2.25e10}), bools({1, 0, 1, 1, 0, 0, 1, 0, 1}),
                std::move(small), std::move(mid), ArrayPtr(AllocArray(kNested, 1, &zero)),
                args(charScalar('x'), args(intScalar(7))));
}

// A buffer read as FileRead reads one: decoded in place, translated by the table, then built
// within the limit of bytes (0: none).
inline Code decode(std::vector<uint8_t> bytes, TreePtr& out, const uint8_t* table = nullptr,
                   uint64_t limit = 0) {
    ByteSpan span{bytes.data(), bytes.size()};
    std::unique_ptr<uint8_t[]> decoded;
    if (Code c = PrepareScar(span, 'L', table, limit, decoded)) return c;
    return BuildFromScar(span, kScarHeaderSize, out);
}

// Whether two trees are equal, by their packed forms (where null slots are empty vectors).
inline ::testing::AssertionResult sameArray(const APLArray* a, const APLArray* b) {
    auto packed = [](const APLArray* x) {
        std::vector<uint8_t> bytes(4 * PackedWords(x));
        Pack(x, bytes.data());
        return bytes;
    };
    if (packed(a) == packed(b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the arrays differ";
}

}  // namespace zrt::test
