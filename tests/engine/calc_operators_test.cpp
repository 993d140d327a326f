// Every operator of both tables through whole items, and the first of each table through
// selections that reverse the ids; the expected values are written out by hand.
#include <limits>

#include "engine_fixture.h"

namespace zrt::test {
namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr uint32_t N = 8, B = 1;  // cell kinds: numbers, bits

struct Case {
    const char* op;
    uint32_t aKind, bKind, tKind;
    Numbers a, b, want;  // two-operand cases: a is the target before, b the source
};

const Case kThreeOperand[] = {
    {"add", N, N, N, {1, -2.5, 1e300, NaN}, {2, 0.5, 1e300, 1}, {3, -2, 2e300, NaN}},
    {"div", N, N, N, {1, 6, 0, 1e300, 1}, {0, 3, 0, 1e-300, 1e-310}, {0, 2, 0, 0, 0}},  // by 0, 0/0, overflow, subnormal
    {"pow", N, N, N, {-8, 2, 0, 10}, {0.5, 10, -1, 400}, {0, 1024, 0, 0}},  // domain, fine, pole, overflow
    {"pct", N, N, N, {50, 200}, {10, 3}, {5, 6}},
    {"and", B, B, B, {1, 1, 0, 0}, {1, 0, 1, 0}, {1, 0, 0, 0}},
    {"or", B, B, B, {1, 1, 0, 0}, {1, 0, 1, 0}, {1, 1, 1, 0}},
    {"eq", N, N, B, {1, 0, NaN, 2}, {1 + 1e-15, 1e-300, 1, 2.0000000001}, {1, 0, 0, 0}},
    {"neq", N, N, B, {1, 0, NaN, 2}, {1 + 1e-15, 1e-300, 1, 2.0000000001}, {0, 1, 1, 1}},
    {"gt", N, N, B, {2, 1, NaN, 1}, {1, 1, 1, NaN}, {1, 0, 0, 0}},
    {"gteq", N, N, B, {2, 1, NaN, 0}, {1, 1, 1, 1}, {1, 1, 0, 0}},
    {"lt", N, N, B, {1, 1, NaN, 2}, {2, 1, 1, 1}, {1, 0, 1, 0}},
    {"lteq", N, N, B, {1, 1, NaN, 2}, {2, 1, 1, 1}, {1, 1, 1, 0}},
    {"andf", N, N, N, {1e-15, 1, 0, 2}, {5, 1, 1, -3}, {0, 1, 0, 1}},
    {"orf", N, N, N, {1e-15, 0, 0, NaN}, {0, 1e-13, 0, 0}, {0, 1, 0, 0}},
    {"eqf", N, N, N, {1, 0, NaN, 2}, {1 + 1e-15, 1e-300, 1, 2.0000000001}, {1, 0, 0, 0}},
    {"gtf", N, N, N, {2, 1, NaN, 1}, {1, 1, 1, NaN}, {1, 0, 0, 0}},
    {"ltf", N, N, N, {1, 1, NaN, 2}, {2, 1, 1, 1}, {1, 0, 1, 0}},
    {"movif", N, B, N, {5, 6, 7}, {1, 0, 1}, {5, 0, 7}},
    {"movif", B, B, B, {1, 1, 0}, {1, 0, 1}, {1, 0, 0}},
};

const Case kTwoOperand[] = {
    {"mov", N, N, N, {1, 2}, {3, NaN}, {3, NaN}},
    {"mov", B, B, B, {0, 1}, {1, 0}, {1, 0}},
    {"andto", B, B, B, {1, 1, 0, 0}, {1, 0, 1, 0}, {1, 0, 0, 0}},
    {"roundto", N, N, N, {7.5, -7.5, 0.26, 3}, {5, 5, 0.1, 0}, {10, -5, 0.30000000000000004, NaN}},  // halves up; step 0: NaN
};

Numbers reversed(Numbers v) { return Numbers(v.rbegin(), v.rend()); }

ArrayPtr valuesOf(uint32_t kind, const Numbers& v) { return kind == N ? numberVector(v) : boolVector(v); }

class CalcOperators : public EngineTest {
protected:
    // Calc into M.T, set first to before (two-operand) or to zeros (three-operand).
    void expectCalc(const Case& c, bool two, ArrayPtr t, ArrayPtr a, ArrayPtr b, const Numbers& before,
                    const Numbers& want) {
        put("M.T", valuesOf(c.tKind, two ? before : Numbers(want.size(), 0)));
        ArrayPtr arg = two ? args(chars(c.op), std::move(t), std::move(b))
                           : args(chars(c.op), std::move(t), std::move(a), std::move(b));
        ASSERT_EQ(codeOfCall(Calc, std::move(arg)), 0);
        expectCells(get("M.T"), want);
    }
};

TEST_F(CalcOperators, BothTables) {
    for (bool two : {false, true}) {
        const Case* first = two ? std::begin(kTwoOperand) : std::begin(kThreeOperand);
        const Case* last = two ? std::end(kTwoOperand) : std::end(kThreeOperand);
        for (const Case* p = first; p != last; ++p) {
            const Case& c = *p;
            SCOPED_TRACE(c.op);
            Ids ids = oneTo(int32_t(c.want.size())), backwards(ids.rbegin(), ids.rend());
            newMemoryArray("M", {ids});
            newMemoryItem("M.A", c.aKind, valuesOf(c.aKind, c.a));
            newMemoryItem("M.B", c.bKind, valuesOf(c.bKind, c.b));
            newMemoryItem("M.T", c.tKind, valuesOf(c.tKind, c.a));
            expectCalc(c, two, whole("M.T"), whole("M.A"), whole("M.B"), c.a, c.want);
            if (p == first) {
                SCOPED_TRACE("target, then sources, through selections that reverse the ids");
                expectCalc(c, two, through("M.T", {backwards}), whole("M.A"), whole("M.B"), reversed(c.a),
                           reversed(c.want));
                put("M.A", valuesOf(c.aKind, reversed(c.a)));
                put("M.B", valuesOf(c.bKind, reversed(c.b)));
                expectCalc(c, two, whole("M.T"), through("M.A", {backwards}), through("M.B", {backwards}), c.a,
                           c.want);
            }
            close("M");
        }
    }
}

}  // namespace
}  // namespace zrt::test
