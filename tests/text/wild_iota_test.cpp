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

TEST(WildIota, FirstPatternMatchingEachString) {
    struct Case { std::vector<std::string> patterns, texts; Numbers expected; };
    const Case cases[] = {
        {{"AB*"}, {"AB", "ABXYZ", "A", ""}, {0, 0, 1, 1}},
        {{"A?C"}, {"ABC", "ABCD", "AC", "A?C"}, {0, 1, 1, 0}},
        {{"AB"}, {"A*", "A?"}, {1, 1}},     // wildcards in the strings are ordinary
        {{"B", "A*", "AB", "*"}, {"AB", "B", "C", "A"}, {1, 0, 3, 1}},
        {{""}, {"", "A"}, {0, 1}},
        {{}, {"A", "B"}, {0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(wildIota(c.patterns, c.texts), c.expected) << testing::PrintToString(c.patterns);
    // Other wildcard characters; item 2 may hold more than two.
    EXPECT_EQ(wildIota({"A.%"}, {"AXtail", "AX"}, ".%!"), (Numbers{0, 0}));
}

TEST(WildIota, ResultHasTheShapeOfTheStrings) {
    uint32_t shape[2] = {2, 2};
    ArrayPtr grid(AllocArray(kNested, 2, shape));
    const char* texts[4] = {"A", "B", "AB", "BA"};
    for (uint32_t k = 0; k < 4; ++k) setSlot(grid.get(), k, test::chars(texts[k]).release());
    ArrayPtr r(WildIota(test::args(strings({"B*", "A"}), std::move(grid), test::chars("?*")).get()));
    ASSERT_EQ(test::codeOf(r.get()), 0);
    EXPECT_EQ(rankOf(test::valueOf(r.get())), 2u);
    EXPECT_EQ(test::numbersOf(test::valueOf(r.get())), (Numbers{1, 0, 2, 0}));
    // A one-character string may be a scalar, an empty string an empty numeric vector.
    ArrayPtr mixed = test::args(test::charScalar('A'), ArrayPtr(AllocVector(kInt32, 0)));
    ArrayPtr s(WildIota(test::args(strings({"", "A"}), std::move(mixed), test::chars("?*")).get()));
    EXPECT_EQ(test::numbersOf(test::valueOf(s.get())), (Numbers{1, 0}));
}

TEST(WildIota, RefusesOtherForms) {
    std::pair<const char*, ArrayPtr> cases[] = {
        {"simple patterns", test::args(test::chars("AB"), strings({"A"}), test::chars("?*"))},
        {"numeric string", test::args(strings({"A"}), test::args(test::intScalar(5)),
                                      test::chars("?*"))},
        {"one wildcard", test::args(strings({"A"}), strings({"A"}), test::chars("?"))},
    };
    for (auto& [name, arg] : cases) EXPECT_EQ(test::codeOf(ArrayPtr(WildIota(arg.get())).get()), 10004) << name;
}

}  // namespace
}  // namespace zrt
