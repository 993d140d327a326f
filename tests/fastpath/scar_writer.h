// Test helpers: SCAR buffers built by hand in either byte order, their text form, and a deep
// comparison of array trees.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frame/array.h"

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

// Whether two trees are equal: types, shapes and elements (null slots equal empty vectors).
inline ::testing::AssertionResult sameArray(const APLArray* a, const APLArray* b,
                                            const std::string& where = "root") {
    if (!a || !b) {
        const APLArray* other = a ? a : b;
        if (!other || (typeOf(other) == kBool && rankOf(other) == 1 && cellCount(other) == 0))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << where << ": null against an array";
    }
    if (typeOf(a) != typeOf(b) || rankOf(a) != rankOf(b))
        return ::testing::AssertionFailure()
               << where << ": type/rank " << typeOf(a) << "/" << rankOf(a) << " against "
               << typeOf(b) << "/" << rankOf(b);
    for (uint32_t i = 0; i < rankOf(a); ++i)
        if (shapeOf(a)[i] != shapeOf(b)[i])
            return ::testing::AssertionFailure() << where << ": axis " << i << " differs";
    const uint32_t n = ElementCount(a);
    if (typeOf(a) == kNested) {
        for (uint32_t k = 0; k < n; ++k)
            if (auto r = sameArray(slotAt(a, k), slotAt(b, k), where + "/" + std::to_string(k)); !r)
                return r;
        return ::testing::AssertionSuccess();
    }
    for (uint32_t k = 0; k < n; ++k) {
        bool same = typeOf(a) == kChar ? dataOf(a)[k] == dataOf(b)[k] : numberAt(a, k) == numberAt(b, k);
        if (!same) return ::testing::AssertionFailure() << where << ": element " << k << " differs";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace zrt::test
