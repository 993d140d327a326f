// Reduce, LComb and CorrectWtd along every axis of a rank-3 item, whole and through a selection
// that reorders the ids, against folds computed here with plain loops over the values that Get
// reads back; and the refusals of the three exports.
#include <cmath>
#include <functional>

#include "engine_fixture.h"

namespace zrt::test {
namespace {

const std::vector<Ids> kDims = {{1, 2}, {1, 2, 3}, {1, 2, 3, 4}};
// Every id of every dimension, reordered: the axis is folded in this order.
const std::vector<Ids> kReordered = {{2, 1}, {3, 1, 2}, {4, 2, 3, 1}};

// Cells of an item over kDims, read back with Get, at the given ids.
double cellAt(const Numbers& cells, const Ids& at) {
    return cells[size_t(at[0] - 1) * 12 + size_t(at[1] - 1) * 4 + size_t(at[2] - 1)];
}

// For every position of the selection outside the axis (row-major, ids in listed order), the
// cells along the axis in listed order combined by t = step(t, i, cell(at, i)), t starting at 0.
Numbers foldHere(const std::vector<Ids>& sel, int axis,
                 const std::function<double(const Ids&, size_t)>& cell,
                 const std::function<double(double, size_t, double)>& step) {
    Numbers out;
    std::vector<int> others;
    for (int d = 0; d < 3; ++d)
        if (d != axis) others.push_back(d);
    for (int32_t x : sel[others[0]])
        for (int32_t y : sel[others[1]]) {
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

class Folds : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        newFile("F", kDims, {"W"});
        Numbers data, weights;
        std::vector<int> bits;
        for (int k = 0; k < 24; ++k) {
            data.push_back(1 + 0.25 * k);
            weights.push_back(k % 3 + 0.5);
            bits.push_back(k % 5 != 0);
        }
        put("F.Data", data);
        put("F.W", weights);
        newMemoryArray("M", kDims);
        newMemoryItem("M.Flags", 1, boolVector(bits));
        cells = get("F.Data");
        weightCells = get("F.W");
        flagCells = get("M.Flags");
    }
    // A memory item T.Data (flags) of as many cells as the fold along the axis makes.
    void target(const std::vector<Ids>& sel, int axis, uint32_t flags = 8) {
        codeOfCall(Close, args(chars("T")));
        std::vector<Ids> dims;
        for (int d = 0; d < 3; ++d)
            if (d != axis) dims.push_back(sel[d]);
        newMemoryArray("T", dims);
        uint32_t n = uint32_t(dims[0].size() * dims[1].size());
        if (flags == 8) newMemoryItem("T.Data", 8, numberVector(Numbers(n, -99)));
        else newMemoryItem("T.Data", 1, boolVector(std::vector<int>(n, 0)));
    }
    static ArrayPtr source(const char* item, bool reordered) {
        return reordered ? through(item, kReordered) : whole(item);
    }
    Numbers cells, weightCells, flagCells;
};

void expectCells(const Numbers& got, const Numbers& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < want.size(); ++k) EXPECT_DOUBLE_EQ(got[k], want[k]) << "cell " << k;
}

TEST_F(Folds, ReduceLCombAndCorrectWtdAlongEveryAxis) {
    struct Op {
        const char* name;
        std::function<double(double, double)> f;
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
        for (int axis = 0; axis < 3; ++axis) {
            SCOPED_TRACE("axis " + std::to_string(axis) + (reordered ? " reordered" : ""));
            const std::vector<Ids>& sel = reordered ? kReordered : kDims;
            for (const Op& op : ops) {
                SCOPED_TRACE(op.name);
                const Numbers& values = op.bits ? flagCells : cells;
                target(sel, axis, op.bits ? 1 : 8);
                ArrayPtr from = source(op.bits ? "M.Flags" : "F.Data", reordered);
                ASSERT_EQ(codeOfCall(Reduce, args(chars(op.name), intScalar(axis), whole("T.Data"), std::move(from))), 0);
                expectCells(get("T.Data"), foldHere(sel, axis, [&](const Ids& at, size_t) { return cellAt(values, at); },
                                       [&](double t, size_t i, double s) { return i == 0 ? s : op.f(t, s); }));
            }
            for (const char* name : {"addto", "MULTO"}) {
                SCOPED_TRACE(name);
                bool sum = name[0] == 'a';
                auto combine = [&](double t, size_t i, double ws) { return i == 0 ? ws : sum ? t + ws : t * ws; };
                Numbers w;
                for (size_t i = 0; i < sel[axis].size(); ++i) w.push_back(i % 2 ? -1.5 : 2);
                target(sel, axis);
                ASSERT_EQ(codeOfCall(LComb, args(chars(name), intScalar(axis), whole("T.Data"), source("F.Data", reordered), numberVector(w))), 0);
                expectCells(get("T.Data"), foldHere(sel, axis, [&](const Ids& at, size_t i) { return w[i] * cellAt(cells, at); }, combine));

                // Weighted by the item W, divided by 4.
                ASSERT_EQ(codeOfCall(CorrectWtd, args(chars(name), intScalar(axis), whole("T.Data"), source("F.Data", reordered), numberConstant(4), source("F.W", reordered))), 0);
                Numbers want = foldHere(sel, axis, [&](const Ids& at, size_t) { return cellAt(cells, at) * cellAt(weightCells, at); }, combine);
                for (double& v : want) v /= 4;
                expectCells(get("T.Data"), want);
            }
        }
}

TEST_F(Folds, CorrectWtdGivesZeroWhereTheDivisorIsZeroOrNaN) {
    // Source (10, 20) and weights (1, 3) along the axis: (10 + 60) / q.
    newFile("G", {{1, 2}, {1, 2, 3}}, {"W"});
    put("G.Data", Numbers{10, 10, 10, 20, 20, 20});
    put("G.W", Numbers{1, 1, 1, 3, 3, 3});
    newMemoryArray("T", {{1, 2, 3}});
    newMemoryItem("T.Data", 8, numberVector({-1, -1, -1}));
    ASSERT_EQ(codeOfCall(CorrectWtd, args(chars("addto"), intScalar(0), whole("T.Data"), whole("G.Data"), numberBuffer({4, 0, NAN}), whole("G.W"))), 0);
    EXPECT_EQ(get("T.Data"), (Numbers{17.5, 0, 0}));
}

TEST_F(Folds, Refusals) {
    target(kDims, 0);
    struct Case {
        const char* name;
        APLArray* (*fn)(APLArray*);
        ArrayPtr arg;
        int32_t code;
    } cases[] = {
        {"Reduce: an axis past the rank", Reduce, args(chars("addto"), intScalar(3), whole("T.Data"), whole("F.Data")), 10015},
        {"Reduce: a target of the wrong count", Reduce, args(chars("addto"), intScalar(1), whole("T.Data"), whole("F.Data")), 10001},
        {"LComb: weights of the wrong count", LComb, args(chars("addto"), intScalar(0), whole("T.Data"), whole("F.Data"), numberVector({1, 2, 3})), 10001},
        {"CorrectWtd: weights with fewer ids along the axis", CorrectWtd, args(chars("addto"), intScalar(0), whole("T.Data"), whole("F.Data"), numberConstant(1), through("F.W", {{1}, {1, 2, 3}, {1, 2, 3, 4}})), 10015},
        {"CorrectWtd: a divisor of the wrong count", CorrectWtd, args(chars("addto"), intScalar(0), whole("T.Data"), whole("F.Data"), numberBuffer({1, 2}), whole("F.W")), 10001},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(codeOfCall(c.fn, std::move(c.arg)), c.code);
        EXPECT_EQ(get("T.Data"), Numbers(12, -99));
    }
}

}  // namespace
}  // namespace zrt::test
