// RangeAlloc, Match and the page scans.
#include <cmath>

#include "engine_fixture.h"

namespace zrt::test {
namespace {

constexpr double kInf = INFINITY;

ArrayPtr rules(const std::vector<Numbers>& rows, uint32_t columns = 4) {
    uint32_t shape[2] = {uint32_t(rows.size()), columns};
    ArrayPtr m(AllocArray(kDouble, 2, shape));
    uint32_t k = 0;
    for (const Numbers& row : rows)
        for (double v : row) setDoubleAt(dataOf(m.get()), k++, v);
    return m;
}

class Scans : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        newFile("F", {{1, 2, 3, 4}}, {"T"});
        put("F.Data", Numbers{5, 10, 10.5, -3});
    }
};

TEST_F(Scans, RangeAllocTakesTheFirstRuleThatMatches) {
    struct Case { const char* name; std::vector<Numbers> rules; Numbers source, want; } cases[] = {
        {"the first rule in row order wins", {{5, 0, 0, 7}, {2, 100, 0, 9}}, {150, -1, 0, 3}, {7, -1, 7, 7}},
        {"kind 3 within 1e-14 of x", {{3, 1, 0, 9}}, {1 + 1e-15, 1.001, 1, 0}, {9, 1.001, 9, 0}},
        {"kind 6, a NaN included", {{6, 2, 0, 0}}, {2, 2 + 1e-15, NAN, 3}, {2, 2 + 1e-15, 0, 0}},
        {"no rule matches a NaN but kind 6", {{0, -kInf, kInf, 1}, {5, 0, 0, 2}, {1, 0, 0, 3}}, {NAN, 1, 1, 1}, {NAN, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        put("F.T", Numbers(4, 77));
        ASSERT_EQ(codeOfCall(RangeAlloc, args(rules(c.rules), whole("F.T"), numberBuffer(c.source))), 0);
        expectCells(get("F.T"), c.want);
    }
}

TEST_F(Scans, RefusalsAndAnswers) {
    newFile("P", {{1, 2, 3}, {3, 5, 7}, {1, 2}});
    Numbers cells(18, 0);
    cells[1 * 6 + 2 * 2 + 1] = 4;     // ids (2, 7, 2)
    cells[2 * 6 + 0 * 2 + 0] = kInf;  // ids (3, 3, 1): not counted
    cells[2 * 6 + 1 * 2 + 1] = -1;    // ids (3, 5, 2)
    put("P.Data", cells);
    put("F.T", Numbers(4, 77));
    auto pages = [](int32_t p) { return ints({0, 0, p}); };
    auto p = [](const std::vector<Ids>& sel) { return through("P.Data", sel); };
    struct Case {
        const char* name;
        APLArray* (*fn)(APLArray*);
        ArrayPtr arg;
        int32_t code;
        Numbers answer;
    } cases[] = {
        {"a rule of kind 7", RangeAlloc, args(rules({{0, 0, 1, 1}, {7, 0, 0, 0}}), whole("F.T"), whole("F.Data")), 10004, {}},
        {"a constant target", RangeAlloc, args(rules({{0, 0, 1, 1}}), numberConstant(1), whole("F.Data")), 10015, {}},
        {"a source of two cells", RangeAlloc, args(rules({{0, 0, 1, 1}}), whole("F.T"), numberBuffer({1, 2})), 10001, {}},
        {"an item and a selection of it reordered", Match, args(whole("F.Data"), through("F.Data", {{4, 3, 2, 1}})), 0, {0}},
        {"a difference of 1e-7", Match, args(numberBuffer({1, 2, 3}), numberBuffer({1, 2, 3.0000001})), 0, {0}},
        {"a NaN never matches", Match, args(numberBuffer({NAN}), numberBuffer({NAN})), 0, {0}},
        {"every cell against a constant", Match, args(numberBuffer({5, 5}), numberConstant(5)), 0, {1}},
        {"two empty operands", Match, args(numberBuffer({}), through("F.Data", {{}})), 0, {1}},
        {"an infinity is not nonzero", FlagNonZeroPages, args(p({{3}, {3}, {1, 2}}), pages(2)), 0, {0, 0}},
        {"a repeated page", FlagNonZeroPages, args(p({{1, 2, 3}, {5, 7}, {2, 2}}), pages(2)), 0, {1, 1}},
        {"no ids along the page dimension", FlagNonZeroPages, args(p({{1}, {}, {1}}), pages(1)), 10015, {}},
        {"in the selection's order", FindFirstNonZeroPage, args(p({{3, 2}, {7, 5}, {2, 1}}), pages(0)), 0, {3, 5, 2}},
        {"a number that is not whole", FindFirstNonZeroPage, args(p({{1}, {3}, {1}}), numberVector({0, 1.5, 0})), 10004, {}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t code = -1;
        expectCells(answerOfCall(c.fn, std::move(c.arg), code), c.answer);
        EXPECT_EQ(code, c.code);
    }
    EXPECT_EQ(get("F.T"), Numbers(4, 77));  // no refused RangeAlloc wrote anything
}

}  // namespace
}  // namespace zrt::test
