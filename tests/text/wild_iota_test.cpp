#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/arrays.h"
#include "zrt32.h"

namespace zrt {
namespace {

ArrayPtr strings(const std::vector<std::string>& texts) {
    std::vector<ArrayPtr> items;
    for (const std::string& t : texts) items.push_back(test::chars(t));
    return test::nested(std::move(items));
}

using Numbers = std::vector<double>;

Numbers wildIota(const std::vector<std::string>& patterns, const std::vector<std::string>& texts,
                 const std::string& wild = "?*") {
    ArrayPtr r(WildIota(test::args(strings(patterns), strings(texts), test::chars(wild)).get()));
    EXPECT_EQ(test::codeOf(r.get()), 0);
    return test::numbersOf(test::valueOf(r.get()));
}

TEST(WildIota, WildcardsMatchOneCharacterOrTheRest) {
    EXPECT_EQ(wildIota({"AB*"}, {"AB", "ABXYZ", "A", ""}), (Numbers{0, 0, 1, 1}));
    EXPECT_EQ(wildIota({"A?C"}, {"ABC", "ABCD", "AC", "A?C"}), (Numbers{0, 1, 1, 0}));
    EXPECT_EQ(wildIota({"A*C"}, {"AC", "AXYZ"}), (Numbers{0, 0}));  // the rest is anything
    // Wildcards in the strings are ordinary characters.
    EXPECT_EQ(wildIota({"AB"}, {"A*", "A?"}), (Numbers{1, 1}));
    // Other wildcard characters; item 2 may hold more than two.
    EXPECT_EQ(wildIota({"A.%"}, {"AXtail", "AX"}, ".%!"), (Numbers{0, 0}));
}

TEST(WildIota, FirstMatchingPatternWins) {
    EXPECT_EQ(wildIota({"B", "A*", "AB", "*"}, {"AB", "B", "C", "A"}), (Numbers{1, 0, 3, 1}));
    EXPECT_EQ(wildIota({"X", "Y"}, {"Z"}), (Numbers{2}));
}

TEST(WildIota, PatternsOfWildcardsOnly) {
    EXPECT_EQ(wildIota({"*"}, {"", "A", "ANYTHING"}), (Numbers{0, 0, 0}));
    EXPECT_EQ(wildIota({"?"}, {"", "A", "AB"}), (Numbers{1, 0, 1}));
    EXPECT_EQ(wildIota({"??"}, {"A", "AB", "ABC"}), (Numbers{1, 0, 1}));
    EXPECT_EQ(wildIota({"?*"}, {"", "A", "ABC"}), (Numbers{1, 0, 0}));
    EXPECT_EQ(wildIota({""}, {"", "A"}), (Numbers{0, 1}));
}

TEST(WildIota, EmptyListsAndShapes) {
    EXPECT_EQ(wildIota({}, {"A", "B"}), (Numbers{0, 0}));
    EXPECT_EQ(wildIota({"A"}, {}), Numbers{});

    // The result has the shape of the strings, here a 2 x 2 matrix.
    uint32_t shape[2] = {2, 2};
    ArrayPtr grid(AllocArray(kNested, 2, shape));
    const char* texts[4] = {"A", "B", "AB", "BA"};
    for (uint32_t k = 0; k < 4; ++k) setSlot(grid.get(), k, test::chars(texts[k]).release());
    ArrayPtr arg = test::args(strings({"B*", "A"}), std::move(grid), test::chars("?*"));
    ArrayPtr r(WildIota(arg.get()));
    const APLArray* v = test::valueOf(r.get());
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(rankOf(v), 2u);
    EXPECT_EQ(test::numbersOf(v), (Numbers{1, 0, 2, 0}));

    // A one-character string may be a scalar, an empty string an empty numeric vector.
    ArrayPtr mixed = test::args(test::charScalar('A'), ArrayPtr(allocVector(kInt32, 0)));
    ArrayPtr s(WildIota(test::args(strings({"", "A"}), std::move(mixed), test::chars("?*")).get()));
    EXPECT_EQ(test::numbersOf(test::valueOf(s.get())), (Numbers{1, 0}));
}

TEST(WildIota, RefusesOtherForms) {
    struct Case {
        const char* name;
        ArrayPtr arg;
    };
    Case cases[] = {
        {"two items", test::args(strings({"A"}), strings({"A"}))},
        {"simple patterns", test::args(test::chars("AB"), strings({"A"}), test::chars("?*"))},
        {"simple strings", test::args(strings({"A"}), test::chars("AB"), test::chars("?*"))},
        {"numeric string", test::args(strings({"A"}), test::args(test::intScalar(5)),
                                      test::chars("?*"))},
        {"one wildcard", test::args(strings({"A"}), strings({"A"}), test::chars("?"))},
        {"numeric wildcards", test::args(strings({"A"}), strings({"A"}), test::ints({1, 2}))},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(test::codeOf(ArrayPtr(WildIota(c.arg.get())).get()), 10004);
    }
}

}  // namespace
}  // namespace zrt
