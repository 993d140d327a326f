// Structures built from selections: lookup tables, modes against a template, and the hostile
// sizes refused.
#include "arrayfile/structure.h"

#include <gtest/gtest.h>

#include "fixture.h"

namespace zrt::test {
namespace {

Structure built(const std::vector<Ids>& dims, uint32_t slack = 0) {
    Structure s;
    EXPECT_EQ(BuildFromSelection(selection(dims).get(), nullptr, s, slack, false), kOk);
    return s;
}

TEST(Structure, LookupTableOnlyWhereTheSlackAllows) {
    struct Case {
        const char* name;
        Ids ids;
        uint32_t slack;
        bool table;
    };
    const Case cases[] = {
        {"largest id 19 for 10 ids", {1, 2, 3, 4, 5, 6, 7, 8, 9, 19}, 100, true},
        {"an id 0", {0, 1, 2}, 100, false},
        {"empty dimension", {}, 100, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Structure s = built({c.ids}, c.slack);
        EXPECT_EQ(!s.dims[0].lookup.empty(), c.table);
        for (uint32_t p = 0; p < c.ids.size(); ++p) EXPECT_EQ(Lookup(s.dims[0], c.ids[p]), int32_t(p));
        EXPECT_EQ(Lookup(s.dims[0], 1000), -1);
        EXPECT_EQ(Lookup(s.dims[0], -5), -1);
    }
    // A repeated id: the last position in a table, the first in a search (slack 0 builds none).
    EXPECT_EQ(Lookup(built({{4, 2, 4}}, 100).dims[0], 4), 2);
    EXPECT_EQ(Lookup(built({{4, 2, 4}}, 0).dims[0], 4), 0);
}

TEST(Structure, ADimensionTheTemplateFixesTakesNoItemOfALaterSelection) {
    Structure file = built({{1, 2, 3}, {10, 20, 30, 40}, {5, 6, 7}}, 100);
    ArrayPtr sel = args(intScalar(2), chars("x"), idVector({7, 5}));
    Structure s, again;
    ASSERT_EQ(BuildFromSelection(sel.get(), &file, s, 0, true), kOk);
    ASSERT_EQ(BuildFromSelection(args(idVector({30}), idVector({5})).get(), &s, again, 0, true), kOk);
    EXPECT_EQ(again.dims[0].mode, kFixed);
    EXPECT_EQ(again.cells, 1u);
    ArrayPtr tooMany = args(intScalar(2), idVector({30}), idVector({5}));
    EXPECT_EQ(BuildFromSelection(tooMany.get(), &s, again, 0, true), kRange);
}

TEST(Structure, SelectionFailures) {
    Structure file = built({{1, 2, 3}, {10, 20}}, 100);
    Ids big = oneTo(70000);  // 70000 x 70000 cells do not fit in 32 bits
    struct Case {
        const char* name;
        ArrayPtr sel;
        const Structure* tmpl;
        bool check;
        Code code;
    } cases[] = {
        {"missing", nullptr, &file, true, kNotVector},
        {"unknown id checked", args(idVector({1}), idVector({30})), &file, true, kBadType},
        {"unknown id unchecked", args(idVector({1}), idVector({30})), &file, false, kOk},
        {"fractional id", args(doubles({1.5}), idVector({10})), &file, true, kBadType},
        {"character without template", args(chars("x")), nullptr, false, kBadType},
        {"too many cells", selection({big, big}), nullptr, false, kRange},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        Structure s;
        EXPECT_EQ(BuildFromSelection(c.sel.get(), c.tmpl, s, 0, c.check), c.code);
    }
}

}  // namespace
}  // namespace zrt::test
