#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/arrays.h"
#include "zrt32.h"

namespace zrt {
namespace {

// A character matrix of the given rows, each exactly cols characters.
ArrayPtr matrix(uint32_t cols, const std::vector<std::string>& rows) {
    uint32_t shape[2] = {static_cast<uint32_t>(rows.size()), cols};
    ArrayPtr m(AllocArray(kChar, 2, shape));
    for (size_t r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(rows[r].size(), cols);
        std::memcpy(dataOf(m.get()) + r * cols, rows[r].data(), cols);
    }
    return m;
}

std::vector<double> rowFind(ArrayPtr a, ArrayPtr b, char pad = ' ') {
    ArrayPtr r(RowFind(test::args(std::move(a), std::move(b), test::charScalar(pad)).get()));
    EXPECT_EQ(test::codeOf(r.get()), 0);
    return test::numbersOf(test::valueOf(r.get()));
}

using Numbers = std::vector<double>;
using Rows = std::vector<std::string>;

TEST(RowFind, FirstMatchingRowCountingFromOne) {
    struct Case {
        const char* name;
        uint32_t aCols;
        Rows a;
        uint32_t bCols;
        Rows b;
        char pad;
        Numbers expected;
    };
    const std::string nul("a\0x", 3), otherTail("a\0y", 3);
    const Case cases[] = {
        {"first of equal rows, missing after the last", 3, {"abc", "def", "abc"}, 3, {"def", "abc", "xyz"}, ' ', {2, 1, 4}},
        // The hash skips pads, so rows that differ only where the pads are must still differ.
        {"pads inside the shared columns and case count", 3, {"a b", "ab "}, 3, {"ab ", "AB "}, ' ', {2, 3}},
        {"extra columns of A must be pads", 5, {"abcde", "abc  ", "xy   "}, 3, {"abc", "xy ", "xyz"}, ' ', {2, 3, 4}},
        {"extra columns of B must be pads", 2, {"ab", "cd"}, 4, {"cd  ", "ab x", "ab.."}, '.', {3, 3, 1}},
        {"NUL ends the comparison", 3, {nul}, 3, {nul, otherTail}, ' ', {1, 1}},
        {"no columns in A: every row holds nothing", 0, {""}, 2, {"  ", "x "}, ' ', {1, 2}},
    };
    for (const Case& c : cases) EXPECT_EQ(rowFind(matrix(c.aCols, c.a), matrix(c.bCols, c.b), c.pad), c.expected) << c.name;
}

// Rows of no columns are all equal: answered without a look at each row of A, so that a
// header that claims two billion of them costs nothing; one more than 2^31 - 1 rows is no
// longer a 32-bit integer.
TEST(RowFind, RowsOfNoColumnsAreAllEqual) {
    auto noColumns = [](uint32_t rows) {
        uint32_t shape[2] = {rows, 0};
        return ArrayPtr(AllocArray(kChar, 2, shape));
    };
    EXPECT_EQ(rowFind(noColumns(671285250), noColumns(3)), (Numbers{1, 1, 1}));
    EXPECT_EQ(rowFind(noColumns(0), noColumns(2)), (Numbers{1, 1}));
    EXPECT_EQ(rowFind(noColumns(2147483647), matrix(1, {" ", "x"})), (Numbers{1, 2147483648.0}));
    EXPECT_EQ(rowFind(matrix(1, {"x", " "}), noColumns(1)), (Numbers{2}));
}

TEST(RowFind, RefusesOtherForms) {
    std::pair<const char*, ArrayPtr> cases[] = {
        {"two items", test::args(matrix(1, {"a"}), matrix(1, {"a"}))},
        {"numeric B", test::args(matrix(1, {"a"}), test::ints({1}), test::charScalar(' '))},
        {"two pads", test::args(matrix(1, {"a"}), matrix(1, {"a"}), test::chars("  "))},
    };
    for (auto& [name, arg] : cases) EXPECT_EQ(test::codeOf(ArrayPtr(RowFind(arg.get())).get()), 10004) << name;
    EXPECT_EQ(test::codeOf(ArrayPtr(RowFind(nullptr)).get()), 10004);
    // A one-element vector is a pad too.
    ArrayPtr ok(RowFind(test::args(matrix(1, {"a"}), matrix(1, {"a"}), test::chars(" ")).get()));
    EXPECT_EQ(test::codeOf(ok.get()), 0);
}

}  // namespace
}  // namespace zrt
