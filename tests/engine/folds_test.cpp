// Reduce, LComb and CorrectWtd along every axis of a rank-3 item, whole and through a selection
// that reorders the ids, against folds computed here with plain loops over the values that Get
// reads back; and the refusals of the three exports.
#include <cmath>
#include <functional>

#include "engine_fixture.h"

namespace zrt {
namespace {

using test::args;
using test::chars;
using test::Ids;
using test::intScalar;
using test::Numbers;
using test::numberBuffer;
using test::numberConstant;
using test::numberVector;
using test::through;
using test::whole;

using Fold = std::function<double(double, double)>;

const std::vector<Ids> kDims = {{1, 2}, {1, 2, 3}, {1, 2, 3, 4}};
// Every id of every dimension, reordered: the axis is folded in this order.
const std::vector<Ids> kReordered = {{2, 1}, {3, 1, 2}, {4, 2, 3, 1}};

// Cells of an item over kDims, read back with Get, at the given ids.
double cellAt(const Numbers& cells, const Ids& at) {
    return cells[size_t(at[0] - 1) * 12 + size_t(at[1] - 1) * 4 + size_t(at[2] - 1)];
}

// For every position of the selection outside the axis (row-major, ids in listed order), the
// cells along the axis in listed order combined by step(i, t, s), t starting from first(s0).
Numbers foldHere(const std::vector<Ids>& sel, int axis,
                 const std::function<double(const Ids&, size_t)>& cell,
                 const std::function<double(double, size_t, double)>& step) {
    Numbers out;
    std::vector<int> others;
    for (int d = 0; d < 3; ++d)
        if (d != axis) others.push_back(d);
    const Ids& o0 = sel[others[0]];
    const Ids& o1 = sel[others[1]];
    for (int32_t x : o0)
        for (int32_t y : o1) {
            Ids at(3);
            at[others[0]] = x;
            at[others[1]] = y;
            double t = 0;
            for (size_t i = 0; i < sel[axis].size(); ++i) {
                at[axis] = sel[axis][i];
                t = step(t, i, cell(at, i));
            }
            out.push_back(t);
        }
    return out;
}

void expectCells(const Numbers& got, const Numbers& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < want.size(); ++k) EXPECT_DOUBLE_EQ(got[k], want[k]) << "cell " << k;
}

class Folds : public test::EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        newFile("F", kDims, {"W"});
        Numbers data, weights;
        for (int k = 0; k < 24; ++k) {
            data.push_back(1 + 0.25 * k);
            weights.push_back(k % 3 + 0.5);
        }
        put("F.Data", data);
        put("F.W", weights);
        newMemoryArray("M", kDims);
        std::vector<int> bits;
        for (int k = 0; k < 24; ++k) bits.push_back(k % 5 != 0);
        newMemoryItem("M.Flags", 1, test::boolVector(bits));
        cells = get("F.Data");
        weightCells = get("F.W");
        flagCells = get("M.Flags");
    }
    // A memory item T.Data (flags) of as many cells as the fold along the axis makes.
    void target(const std::vector<Ids>& sel, int axis, uint32_t flags = 8) {
        test::codeOfCall(Close, args(chars("T")));
        std::vector<Ids> dims;
        for (int d = 0; d < 3; ++d)
            if (d != axis) dims.push_back(sel[d]);
        newMemoryArray("T", dims);
        uint32_t n = uint32_t(dims[0].size() * dims[1].size());
        if (flags == 8) newMemoryItem("T.Data", 8, numberVector(Numbers(n, -99)));
        else newMemoryItem("T.Data", 1, test::boolVector(std::vector<int>(n, 0)));
    }
    static ArrayPtr source(const char* item, bool reordered) {
        return reordered ? through(item, kReordered) : whole(item);
    }
    Numbers cells, weightCells, flagCells;
};

TEST_F(Folds, ReduceAlongEveryAxis) {
    struct Op {
        const char* name;
        Fold f;
        bool bits;  // folds M.Flags into a bit item instead of F.Data into a number item
    };
    const Op ops[] = {
        {"addto", [](double t, double s) { return t + s; }, false},
        {"multo", [](double t, double s) { return t * s; }, false},
        {"mov", [](double, double s) { return s; }, false},
        {"roundto", [](double t, double s) { return std::floor(t / s + 0.5) * s; }, false},
        {"andto", [](double t, double s) { return double(t != 0 && s != 0); }, true},
        {"orto", [](double t, double s) { return double(t != 0 || s != 0); }, true},
    };
    for (bool reordered : {false, true})
        for (int axis = 0; axis < 3; ++axis)
            for (const Op& op : ops) {
                SCOPED_TRACE(std::string(op.name) + " axis " + std::to_string(axis) + (reordered ? " reordered" : ""));
                const std::vector<Ids>& sel = reordered ? kReordered : kDims;
                const Numbers& values = op.bits ? flagCells : cells;
                target(sel, axis, op.bits ? 1 : 8);
                ArrayPtr from = source(op.bits ? "M.Flags" : "F.Data", reordered);
                ASSERT_EQ(test::codeOfCall(Reduce, args(chars(op.name), intScalar(axis), whole("T.Data"), std::move(from))), 0);
                Numbers want = foldHere(sel, axis, [&](const Ids& at, size_t) { return cellAt(values, at); },
                                        [&](double t, size_t i, double s) { return i == 0 ? s : op.f(t, s); });
                expectCells(get("T.Data"), want);
            }
}

TEST_F(Folds, LCombAndCorrectWtdAlongEveryAxis) {
    for (bool reordered : {false, true})
        for (int axis = 0; axis < 3; ++axis)
            for (const char* name : {"addto", "MULTO"}) {
                SCOPED_TRACE(std::string(name) + " axis " + std::to_string(axis) + (reordered ? " reordered" : ""));
                const std::vector<Ids>& sel = reordered ? kReordered : kDims;
                bool sum = name[0] == 'a';
                auto combine = [&](double t, size_t i, double ws) { return i == 0 ? ws : sum ? t + ws : t * ws; };
                Numbers w;
                for (size_t i = 0; i < sel[axis].size(); ++i) w.push_back(i % 2 ? -1.5 : 2);

                target(sel, axis);
                ASSERT_EQ(test::codeOfCall(LComb, args(chars(name), intScalar(axis), whole("T.Data"), source("F.Data", reordered), numberVector(w))), 0);
                expectCells(get("T.Data"), foldHere(sel, axis, [&](const Ids& at, size_t i) { return w[i] * cellAt(cells, at); }, combine));

                // Weighted by the item W, divided by 4.
                ASSERT_EQ(test::codeOfCall(CorrectWtd, args(chars(name), intScalar(axis), whole("T.Data"), source("F.Data", reordered), numberConstant(4), source("F.W", reordered))), 0);
                Numbers want = foldHere(sel, axis, [&](const Ids& at, size_t) { return cellAt(cells, at) * cellAt(weightCells, at); }, combine);
                for (double& v : want) v /= 4;
                expectCells(get("T.Data"), want);
            }
}

TEST_F(Folds, CorrectWtdGivesZeroWhereTheDivisorIsZeroOrNaN) {
    // Source (10, 20) and weights (1, 3) along the axis: (10 + 60) / q.
    newFile("G", {{1, 2}, {1, 2, 3}}, {"W"});
    put("G.Data", Numbers{10, 10, 10, 20, 20, 20});
    put("G.W", Numbers{1, 1, 1, 3, 3, 3});
    newMemoryArray("T", {{1, 2, 3}});
    newMemoryItem("T.Data", 8, numberVector({-1, -1, -1}));
    ASSERT_EQ(test::codeOfCall(CorrectWtd, args(chars("addto"), intScalar(0), whole("T.Data"), whole("G.Data"), numberBuffer({4, 0, NAN}), whole("G.W"))), 0);
    EXPECT_EQ(get("T.Data"), (Numbers{17.5, 0, 0}));
}

TEST_F(Folds, Refusals) {
    newMemoryArray("T", {{1, 2, 3}, {1, 2, 3, 4}});
    newMemoryItem("T.Data", 8, numberVector(Numbers(12, -99)));
    newFile("G", {{1, 2}, {1, 2, 3}});
    struct Case {
        const char* name;
        APLArray* (*fn)(APLArray*);
        ArrayPtr arg;
        int32_t code;
    };
    auto r = [](const char* op, int axis, ArrayPtr t, ArrayPtr s) { return args(chars(op), intScalar(axis), std::move(t), std::move(s)); };
    auto l = [](const char* op, int axis, ArrayPtr s, ArrayPtr w) { return args(chars(op), intScalar(axis), whole("T.Data"), std::move(s), std::move(w)); };
    auto c = [](int axis, ArrayPtr s, ArrayPtr d, ArrayPtr w) { return args(chars("addto"), intScalar(axis), whole("T.Data"), std::move(s), std::move(d), std::move(w)); };
    Numbers two{1, 2};
    Case cases[] = {
        {"Reduce: an axis past the rank", Reduce, r("addto", 3, whole("T.Data"), whole("F.Data")), 10015},
        {"Reduce: a flat buffer source", Reduce, r("addto", 0, whole("T.Data"), numberBuffer(Numbers(24, 1))), 10015},
        {"Reduce: a target of the wrong count", Reduce, r("addto", 1, whole("T.Data"), whole("F.Data")), 10001},
        {"Reduce: a source without cells", Reduce, r("addto", 0, whole("T.Data"), through("F.Data", {{1, 2}, {}, {1}})), 10001},
        {"LComb: four items", LComb, args(chars("addto"), intScalar(0), whole("T.Data"), whole("F.Data")), 10004},
        {"LComb: weights of the wrong count", LComb, l("addto", 0, whole("F.Data"), numberVector({1, 2, 3})), 10001},
        {"LComb: a weight that is not a number", LComb, l("addto", 0, whole("F.Data"), args(intScalar(1), chars("x"))), 10004},
        {"CorrectWtd: five items", CorrectWtd, args(chars("addto"), intScalar(0), whole("T.Data"), whole("F.Data"), numberConstant(1)), 10004},
        {"CorrectWtd: weights with fewer ids along the axis", CorrectWtd, c(0, whole("F.Data"), numberConstant(1), through("F.W", {{1}, {1, 2, 3}, {1, 2, 3, 4}})), 10015},
        {"CorrectWtd: an axis past the weights' rank", CorrectWtd, c(2, whole("F.Data"), numberConstant(1), whole("G.Data")), 10015},
        {"CorrectWtd: a divisor of the wrong count", CorrectWtd, c(0, whole("F.Data"), numberBuffer(two), whole("F.W")), 10001},
    };
    for (Case& k : cases) {
        SCOPED_TRACE(k.name);
        EXPECT_EQ(test::codeOfCall(k.fn, std::move(k.arg)), k.code);
        EXPECT_EQ(get("T.Data"), Numbers(12, -99));
    }
}

}  // namespace
}  // namespace zrt
