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

TEST(RowFind, FirstMatchingRowCountingFromOne) {
    EXPECT_EQ(rowFind(matrix(3, {"abc", "def", "abc"}), matrix(3, {"def", "abc", "xyz"})),
              (Numbers{2, 1, 4}));
    // Comparison is exact: pads inside the shared columns count, case counts.
    EXPECT_EQ(rowFind(matrix(3, {"a b", "ab "}), matrix(3, {"ab ", "AB "})), (Numbers{2, 3}));
}

TEST(RowFind, ExtraColumnsOfTheWiderMatrixMustBePads) {
    // A of 5 columns, B of 3: rows of A whose last 2 characters are pads.
    ArrayPtr a = matrix(5, {"abcde", "abc  ", "xy   "});
    EXPECT_EQ(rowFind(std::move(a), matrix(3, {"abc", "xy ", "xyz"})), (Numbers{2, 3, 4}));
    // B wider than A.
    EXPECT_EQ(rowFind(matrix(2, {"ab", "cd"}), matrix(4, {"cd  ", "ab x", "ab.."}), '.'),
              (Numbers{3, 3, 1}));
    // Another pad character.
    EXPECT_EQ(rowFind(matrix(4, {"ab**"}), matrix(2, {"ab"}), '*'), (Numbers{1}));
}

TEST(RowFind, NulEndsTheComparisonOfSharedColumns) {
    std::string withNul("a\0x", 3), otherTail("a\0y", 3);
    // Equal as C strings: what follows a NUL does not count.
    EXPECT_EQ(rowFind(matrix(3, {withNul}), matrix(3, {withNul, otherTail})), (Numbers{1, 1}));
    EXPECT_EQ(rowFind(matrix(3, {"abc"}), matrix(3, {std::string("ab\0", 3)})), Numbers{2});
}

TEST(RowFind, EmptyMatrices) {
    EXPECT_EQ(rowFind(matrix(3, {}), matrix(3, {"abc", "def"})), (Numbers{1, 1}));
    EXPECT_EQ(rowFind(matrix(3, {"abc"}), matrix(3, {})), Numbers{});
    // No columns: every row holds the same (nothing).
    EXPECT_EQ(rowFind(matrix(0, {"", ""}), matrix(0, {""})), Numbers{1});
    EXPECT_EQ(rowFind(matrix(0, {""}), matrix(2, {"  ", "x "})), (Numbers{1, 2}));
}

TEST(RowFind, RefusesOtherForms) {
    struct Case {
        const char* name;
        ArrayPtr arg;
    };
    Case cases[] = {
        {"two items", test::args(matrix(1, {"a"}), matrix(1, {"a"}))},
        {"vector A", test::args(test::chars("abc"), matrix(3, {"abc"}), test::charScalar(' '))},
        {"numeric B", test::args(matrix(1, {"a"}), test::ints({1}), test::charScalar(' '))},
        {"two pads", test::args(matrix(1, {"a"}), matrix(1, {"a"}), test::chars("  "))},
        {"numeric pad", test::args(matrix(1, {"a"}), matrix(1, {"a"}), test::intScalar(32))},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(test::codeOf(ArrayPtr(RowFind(c.arg.get())).get()), 10004);
    }
    EXPECT_EQ(test::codeOf(ArrayPtr(RowFind(nullptr)).get()), 10004);
    // A one-element vector is a pad too.
    ArrayPtr ok(RowFind(test::args(matrix(1, {"a"}), matrix(1, {"a"}), test::chars(" ")).get()));
    EXPECT_EQ(test::codeOf(ok.get()), 0);
}

}  // namespace
}  // namespace zrt
