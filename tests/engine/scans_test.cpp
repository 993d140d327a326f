// RangeAlloc, Match and the page scans.
#include <cmath>
#include <cstring>
#include <limits>

#include "engine_fixture.h"

namespace zrt {
namespace {

using test::args;
using test::chars;
using test::ints;
using test::Numbers;
using test::numberBuffer;
using test::numberConstant;
using test::numberVector;
using test::through;
using test::whole;

constexpr double kInf = std::numeric_limits<double>::infinity();

ArrayPtr rules(const std::vector<Numbers>& rows, uint32_t columns = 4) {
    uint32_t shape[2] = {uint32_t(rows.size()), columns};
    ArrayPtr m(AllocArray(kDouble, 2, shape));
    uint32_t k = 0;
    for (const Numbers& row : rows)
        for (double v : row) setDoubleAt(dataOf(m.get()), k++, v);
    return m;
}

class Scans : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        newFile("F", {{1, 2, 3, 4}}, {"T"});
        put("F.Data", Numbers{5, 10, 10.5, -3});
    }
    int32_t rangeAlloc(ArrayPtr m, ArrayPtr target, ArrayPtr source) {
        return test::codeOfCall(RangeAlloc, args(std::move(m), std::move(target), std::move(source)));
    }
};

TEST_F(Scans, RangeAllocTakesTheFirstRuleThatMatches) {
    struct Case {
        const char* name;
        std::vector<Numbers> rules;
        Numbers source, want;
    };
    const Case cases[] = {
        {"bounds of kind 0 are inclusive", {{0, 0, 10, 1}, {2, 10, 0, 2}}, {5, 10, 10.5, -3}, {1, 1, 2, -3}},
        {"the first rule in row order wins", {{5, 0, 0, 7}, {2, 100, 0, 9}}, {150, -1, 0, 3}, {7, -1, 7, 7}},
        {"kinds 1 and 4", {{1, 0, 0, -1}, {4, 1, 0, 1}}, {-0.5, 0, 1, 1.5}, {-1, 1, 1, 1.5}},
        {"kind 3 within 1e-14 of x", {{3, 1, 0, 9}}, {1 + 1e-15, 1.001, 1, 0}, {9, 1.001, 9, 0}},
        {"kind 3 at 0 only for an exact 0", {{3, 0, 0, 9}}, {0, 1e-300, -0.0, 5}, {9, 1e-300, 9, 5}},
        {"kind 6, a NaN included", {{6, 2, 0, 0}}, {2, 2 + 1e-15, NAN, 3}, {2, 2 + 1e-15, 0, 0}},
        {"no rule matches a NaN but kind 6", {{0, -kInf, kInf, 1}, {5, 0, 0, 2}, {1, 0, 0, 3}}, {NAN, 1, 1, 1}, {NAN, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        put("F.T", Numbers(4, 77));
        ASSERT_EQ(rangeAlloc(rules(c.rules), whole("F.T"), numberBuffer(c.source)), 0);
        Numbers got = get("F.T");
        for (size_t k = 0; k < 4; ++k) {
            if (std::isnan(c.want[k])) EXPECT_TRUE(std::isnan(got[k])) << k;
            else EXPECT_EQ(got[k], c.want[k]) << k;
        }
    }
    // Through selections, and a constant applied to every cell.
    ASSERT_EQ(rangeAlloc(rules({{2, 6, 0, 100}}), through("F.T", {{4, 3, 2, 1}}), whole("F.Data")), 0);
    EXPECT_EQ(get("F.T"), (Numbers{-3, 100, 100, 5}));
    ASSERT_EQ(rangeAlloc(rules({{2, 6, 0, 100}}), whole("F.T"), numberConstant(8)), 0);
    EXPECT_EQ(get("F.T"), Numbers(4, 100));
}

TEST_F(Scans, RangeAllocRefusals) {
    put("F.T", Numbers(4, 77));
    uint32_t shape[2] = {1, 4};
    ArrayPtr charMatrix(AllocArray(kChar, 2, shape));
    std::memset(dataOf(charMatrix.get()), 'a', 4);
    struct Case {
        const char* name;
        ArrayPtr arg;
        int32_t code;
    };
    Case cases[] = {
        {"a kind of 7", args(rules({{0, 0, 1, 1}, {7, 0, 0, 0}}), whole("F.T"), whole("F.Data")), 10004},
        {"no rows", args(rules({}), whole("F.T"), whole("F.Data")), 10004},
        {"three columns", args(rules({{0, 0, 1}}, 3), whole("F.T"), whole("F.Data")), 10004},
        {"a character matrix", args(std::move(charMatrix), whole("F.T"), whole("F.Data")), 10004},
        {"a constant target", args(rules({{0, 0, 1, 1}}), numberConstant(1), whole("F.Data")), 10015},
        {"a source of two cells", args(rules({{0, 0, 1, 1}}), whole("F.T"), numberBuffer({1, 2})), 10001},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(test::codeOfCall(RangeAlloc, std::move(c.arg)), c.code);
        EXPECT_EQ(get("F.T"), Numbers(4, 77));
    }
}

TEST_F(Scans, MatchComparesRelativeToTheFirstOperand) {
    struct Case {
        const char* name;
        ArrayPtr arg;
        int32_t code;
        Numbers answer;
    };
    Case cases[] = {
        {"an item and a selection of it reordered", args(whole("F.Data"), through("F.Data", {{4, 3, 2, 1}})), 0, {0}},
        {"a difference of 1e-7", args(numberBuffer({1, 2, 3}), numberBuffer({1, 2, 3.0000001})), 0, {0}},
        {"0 against 1e-20", args(numberBuffer({0}), numberBuffer({1e-20})), 0, {0}},
        {"a NaN never matches", args(numberBuffer({NAN}), numberBuffer({NAN})), 0, {0}},
        {"every cell against a constant", args(numberBuffer({5, 5}), numberConstant(5)), 0, {1}},
        {"a constant against two cells", args(numberConstant(5), numberBuffer({5, 5})), 10001, {}},
        {"two empty operands", args(numberBuffer({}), through("F.Data", {{}})), 0, {1}},
        {"an unknown name", args(whole("F.Data"), whole("F.None")), 10010, {}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t code = -1;
        Numbers answer = test::answerOfCall(Match, std::move(c.arg), code);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(answer, c.answer);
    }
}

TEST_F(Scans, PageScansFlagAndFindNonZeroCells) {
    newFile("P", {{1, 2, 3}, {3, 5, 7}, {1, 2}});
    Numbers cells(18, 0);
    cells[1 * 6 + 2 * 2 + 1] = 4;     // ids (2, 7, 2)
    cells[2 * 6 + 0 * 2 + 0] = kInf;  // ids (3, 3, 1): not counted
    cells[2 * 6 + 1 * 2 + 1] = -1;    // ids (3, 5, 2)
    put("P.Data", cells);
    struct Case {
        const char* name;
        APLArray* (*fn)(APLArray*);
        ArrayPtr arg;
        int32_t code;
        Numbers answer;
    };
    auto pages = [](int32_t p) { return ints({0, 0, p}); };
    Case cases[] = {
        {"pages (7, 3) along 1", FlagNonZeroPages, args(through("P.Data", {{1, 2, 3}, {7, 3}, {1, 2}}), pages(1)), 0, {1, 0}},
        {"an infinity is not nonzero", FlagNonZeroPages, args(through("P.Data", {{3}, {3}, {1, 2}}), pages(2)), 0, {0, 0}},
        {"a repeated page", FlagNonZeroPages, args(through("P.Data", {{1, 2, 3}, {5, 7}, {2, 2}}), pages(2)), 0, {1, 1}},
        {"a page dimension past the rank", FlagNonZeroPages, args(through("P.Data", {{1}, {3}, {1}}), pages(3)), 10015, {}},
        {"no ids along the page dimension", FlagNonZeroPages, args(through("P.Data", {{1}, {}, {1}}), pages(1)), 10015, {}},
        {"two numbers", FlagNonZeroPages, args(through("P.Data", {{1}, {3}, {1}}), ints({0, 1})), 10001, {}},
        {"the first nonzero cell", FindFirstNonZeroPage, args(through("P.Data", {{1, 2, 3}, {3, 5, 7}, {1, 2}}), pages(9)), 0, {2, 7, 2}},
        {"in the selection's order", FindFirstNonZeroPage, args(through("P.Data", {{3, 2}, {7, 5}, {2, 1}}), pages(0)), 0, {3, 5, 2}},
        {"four numbers", FindFirstNonZeroPage, args(through("P.Data", {{1}, {3}, {1}}), ints({0, 1, 2, 3})), 10001, {}},
        {"a number that is not whole", FindFirstNonZeroPage, args(through("P.Data", {{1}, {3}, {1}}), numberVector({0, 1.5, 0})), 10004, {}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t code = -1;
        Numbers answer = test::answerOfCall(c.fn, std::move(c.arg), code);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(answer, c.answer);
    }
}

}  // namespace
}  // namespace zrt
