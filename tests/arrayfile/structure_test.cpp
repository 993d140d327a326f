#include "arrayfile/structure.h"

#include <gtest/gtest.h>

#include "arrayfile/item_flags.h"
#include "fixture.h"

namespace zrt {
namespace {

using test::Ids;

Structure built(const std::vector<Ids>& dims, uint32_t slack = 0) {
    Structure s;
    ArrayPtr sel = test::selection(dims);
    EXPECT_EQ(BuildFromSelection(sel.get(), nullptr, s, slack, false), kOk);
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
        {"dense ids", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 100, true},
        {"largest id 20 for 10 ids", {1, 2, 3, 4, 5, 6, 7, 8, 9, 20}, 100, false},
        {"largest id 19 for 10 ids", {1, 2, 3, 4, 5, 6, 7, 8, 9, 19}, 100, true},
        {"slack 0 builds none", {1, 2, 3}, 0, false},
        {"an id 0", {0, 1, 2}, 100, false},
        {"a negative id", {3, -1, 2}, 100, false},
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
}

TEST(Structure, RepeatedIdMapsToLastPositionInTableAndFirstInSearch) {
    EXPECT_EQ(Lookup(built({{4, 2, 4}}, 100).dims[0], 4), 2);
    EXPECT_EQ(Lookup(built({{4, 2, 4}}, 0).dims[0], 4), 0);
}

TEST(Structure, SelectionAgainstATemplateGivesModesAndResultShape) {
    Structure file = built({{1, 2, 3}, {10, 20, 30, 40}, {5, 6, 7}}, 100);
    ArrayPtr sel = test::args(test::intScalar(2), test::chars("x"), test::idVector({7, 5}));
    Structure s;
    ASSERT_EQ(BuildFromSelection(sel.get(), &file, s, 0, true), kOk);
    EXPECT_EQ(s.dims[0].mode, kFixed);
    EXPECT_EQ(s.dims[1].mode, kAll);
    EXPECT_EQ(s.dims[2].mode, kSelected);
    EXPECT_EQ(s.dims[1].ids, (Ids{10, 20, 30, 40}));
    EXPECT_EQ(s.cells, 8u);
    ArrayPtr result;
    ASSERT_EQ(ResultArray(s, kDoubleCells, result), kOk);
    EXPECT_EQ(rankOf(result.get()), 2u);
    EXPECT_EQ(shapeOf(result.get())[0], 4u);
    EXPECT_EQ(shapeOf(result.get())[1], 2u);
    EXPECT_EQ(typeOf(result.get()), kDouble);
}

TEST(Structure, FixedTemplateDimensionTakesNoSelectionItem) {
    Structure file = built({{1, 2, 3}, {10, 20}});
    ArrayPtr cut = test::args(test::intScalar(2), test::chars("all"));
    Structure memory;
    ASSERT_EQ(BuildFromSelection(cut.get(), &file, memory, 0, true), kOk);
    ArrayPtr sel = test::args(test::idVector({20}));
    Structure s;
    ASSERT_EQ(BuildFromSelection(sel.get(), &memory, s, 0, true), kOk);
    EXPECT_EQ(s.dims[0].mode, kFixed);
    EXPECT_EQ(s.dims[0].ids, Ids{2});
    ArrayPtr tooMany = test::args(test::intScalar(2), test::idVector({20}));
    EXPECT_EQ(BuildFromSelection(tooMany.get(), &memory, s, 0, true), kRange);
}

TEST(Structure, SelectionFailures) {
    Structure file = built({{1, 2, 3}, {10, 20}}, 100);
    struct Case {
        const char* name;
        ArrayPtr sel;
        const Structure* tmpl;
        bool check;
        Code code;
    };
    Case cases[] = {
        {"missing", nullptr, &file, true, kNotVector},
        {"a matrix", [] {
             uint32_t shape[2] = {1, 2};
             ArrayPtr m(AllocArray(kNested, 2, shape));
             setSlot(m.get(), 0, test::intScalar(1).release());
             setSlot(m.get(), 1, test::intScalar(10).release());
             return m;
         }(), &file, true, kNotVector},
        {"too few entries", test::args(test::idVector({1})), &file, true, kRange},
        {"unknown id checked", test::args(test::idVector({1}), test::idVector({30})), &file, true, kBadType},
        {"unknown id unchecked", test::args(test::idVector({1}), test::idVector({30})), &file, false, kOk},
        {"fractional id", test::args(test::doubles({1.5}), test::idVector({10})), &file, true, kBadType},
        {"character without template", test::args(test::chars("x")), nullptr, false, kBadType},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        Structure s;
        EXPECT_EQ(BuildFromSelection(c.sel.get(), c.tmpl, s, 0, c.check), c.code);
    }
}

TEST(Structure, TooManyCellsForThirtyTwoBits) {
    Ids big(70000);
    for (uint32_t k = 0; k < big.size(); ++k) big[k] = int32_t(k + 1);
    ArrayPtr sel = test::selection({big, big});
    Structure s;
    EXPECT_EQ(BuildFromSelection(sel.get(), nullptr, s, 0, false), kRange);
}

TEST(Structure, IntersectKeepsTheFirstOrderAndModes) {
    Structure a = built({{5, 3, 9, 3}, {1, 2}});
    Structure b = built({{3, 4, 5}, {2}});
    Structure common;
    ASSERT_EQ(Intersect(a, b, common, 0), kOk);
    EXPECT_EQ(common.dims[0].ids, (Ids{5, 3, 3}));
    EXPECT_EQ(common.dims[1].ids, Ids{2});
    EXPECT_EQ(common.dims[0].mode, kSelected);
    EXPECT_EQ(common.cells, 3u);
    EXPECT_EQ(common.dims[0].stride, 1u);
    Structure other = built({{1}});
    EXPECT_EQ(Intersect(a, other, common, 0), kRange);
}

TEST(Structure, ReorderKeepsSourceStridesUntilRecomputed) {
    Structure s = built({{1, 2}, {1, 2, 3}}, 100);
    uint32_t order[2] = {1, 0};
    Structure r;
    ASSERT_EQ(Reorder(s, r, order), kOk);
    EXPECT_EQ(r.dims[0].size, 3u);
    EXPECT_EQ(r.dims[0].stride, 1u);
    EXPECT_EQ(r.dims[1].stride, 3u);
    EXPECT_TRUE(r.dims[0].lookup.empty());
    ASSERT_EQ(RecomputeStrides(r), kOk);
    EXPECT_EQ(r.dims[0].stride, 2u);
    uint32_t bad[2] = {0, 2};
    EXPECT_EQ(Reorder(s, r, bad), kRange);
}

TEST(Structure, ToAPLGivesScalarsForFixedDimensions) {
    Structure file = built({{1, 2, 3}, {10, 20}});
    ArrayPtr sel = test::args(test::intScalar(3), test::idVector({20, 10}));
    Structure s;
    ASSERT_EQ(BuildFromSelection(sel.get(), &file, s, 0, true), kOk);
    ArrayPtr a(StructureToAPL(s));
    ASSERT_TRUE(a);
    EXPECT_EQ(rankOf(slotAt(a.get(), 0)), 0u);
    EXPECT_EQ(test::numbersOf(slotAt(a.get(), 0)), std::vector<double>{3});
    EXPECT_EQ(test::numbersOf(slotAt(a.get(), 1)), (std::vector<double>{20, 10}));
}

}  // namespace
}  // namespace zrt
