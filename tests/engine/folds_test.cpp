// Reduce, LComb and CorrectWtd along every axis, whole and reordered, against plain loops.
#include <cmath>
#include <algorithm>
#include <functional>
#include <random>

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
    int o0 = axis == 0 ? 1 : 0, o1 = axis == 2 ? 1 : 2;  // the other two dimensions in order
    for (int32_t x : sel[o0])
        for (int32_t y : sel[o1]) {
            Ids at(3);
            at[o0] = x;
            at[o1] = y;
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
        for (int k = 0; k < 24; ++k) {
            cells.push_back(1 + 0.25 * k);
            weightCells.push_back(k % 3 + 0.5);
            flagCells.push_back(k % 5 != 0);
        }
        put("F.Data", cells);
        put("F.W", weightCells);
        newMemoryArray("M", kDims);
        newMemoryItem("M.Flags", 1, boolVector(flagCells));
    }
    // A memory item T.Data (flags) of as many cells as the fold along the axis makes.
    void target(const std::vector<Ids>& sel, int axis, uint32_t flags = 8) {
        codeOfCall(Close, args(chars("T")));
        std::vector<Ids> dims = sel;
        dims.erase(dims.begin() + axis);
        newMemoryArray("T", dims);
        newMemoryItem("T.Data", flags, (flags == 8 ? numberVector : boolVector)(Numbers(dims[0].size() * dims[1].size(), -99)));
    }
    Numbers cells, weightCells, flagCells;
};

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
            auto source = [&](const char* item) { return reordered ? through(item, kReordered) : whole(item); };
            for (const Op& op : ops) {
                SCOPED_TRACE(op.name);
                const Numbers& values = op.bits ? flagCells : cells;
                target(sel, axis, op.bits ? 1 : 8);
                ArrayPtr from = source(op.bits ? "M.Flags" : "F.Data");
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
                ASSERT_EQ(codeOfCall(LComb, args(chars(name), intScalar(axis), whole("T.Data"), source("F.Data"), numberVector(w))), 0);
                expectCells(get("T.Data"), foldHere(sel, axis, [&](const Ids& at, size_t i) { return w[i] * cellAt(cells, at); }, combine));
                // Weighted by the item W, divided by 4.
                ASSERT_EQ(codeOfCall(CorrectWtd, args(chars(name), intScalar(axis), whole("T.Data"), source("F.Data"), numberConstant(4), source("F.W"))), 0);
                Numbers want = foldHere(sel, axis, [&](const Ids& at, size_t) { return cellAt(cells, at) * cellAt(weightCells, at); }, combine);
                for (double& v : want) v /= 4;
                expectCells(get("T.Data"), want);
            }
        }
}

// Rows longer than a block (20000 cells: a block of 16384 and the rest), read in place, through
// a reversed run and through a shuffled list of ids: each target cell sums its column in row
// order, exactly as a plain loop does.
TEST_F(Folds, LongRowsFoldAcrossBlocks) {
    constexpr int32_t kColumns = 20000;
    Ids columns(kColumns), reversed(kColumns), shuffled(kColumns);
    for (int32_t k = 0; k < kColumns; ++k) columns[size_t(k)] = k + 1;
    reversed.assign(columns.rbegin(), columns.rend());
    shuffled = columns;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    newFile("L", {{1, 2, 3}, columns});
    Numbers values(3 * kColumns);
    for (size_t k = 0; k < values.size(); ++k) values[k] = 1.0 / double(k + 3);
    put("L.Data", values);
    newMemoryArray("S", {columns});
    newMemoryItem("S.Data", 8, numberVector(Numbers(kColumns, 0)));
    for (const Ids* order : {&columns, &reversed, &shuffled}) {
        Numbers want;
        for (int32_t id : *order) {
            size_t c = size_t(id - 1);
            want.push_back(0.5 * values[c] + -1.5 * values[kColumns + c] + 0.5 * values[2 * kColumns + c]);
        }
        Numbers sums;
        for (int32_t id : *order) sums.push_back(values[size_t(id - 1)] + values[kColumns + size_t(id - 1)] + values[2 * kColumns + size_t(id - 1)]);
        ArrayPtr target = order == &columns ? whole("S.Data") : through("S.Data", {*order});
        ASSERT_EQ(codeOfCall(Reduce, args(chars("addto"), intScalar(0), std::move(target), through("L.Data", {{1, 2, 3}, *order}))), 0);
        Numbers got = get("S.Data"), inOrder(kColumns);
        for (size_t j = 0; j < order->size(); ++j) inOrder[j] = got[size_t((*order)[j] - 1)];
        EXPECT_EQ(inOrder, sums);
        ASSERT_EQ(codeOfCall(LComb, args(chars("addto"), intScalar(0), whole("S.Data"), through("L.Data", {{1, 2, 3}, *order}), numberVector({0.5, -1.5, 0.5}))), 0);
        EXPECT_EQ(get("S.Data"), want);
    }
}

// A divisor of 0 or a NaN gives 0 in its cell, not an infinity or a NaN.
TEST_F(Folds, CorrectWtdGivesZeroWhereTheDivisorIsZeroOrNaN) {
    target(kDims, 0);
    auto correct = [](ArrayPtr divisor) {
        return codeOfCall(CorrectWtd, args(chars("addto"), intScalar(0), whole("T.Data"), whole("F.Data"), std::move(divisor), whole("F.W")));
    };
    ASSERT_EQ(correct(numberConstant(4)), 0);
    Numbers want = get("T.Data");
    want[0] = want[1] = 0;
    Numbers divisors(12, 4);
    divisors[0] = 0;
    divisors[1] = std::nan("");
    ASSERT_EQ(correct(numberBuffer(divisors)), 0);
    EXPECT_EQ(get("T.Data"), want);
}

TEST_F(Folds, Refusals) {
    target(kDims, 0);
    auto fold = [](APLArray* (*fn)(APLArray*), int axis, auto... more) {
        return codeOfCall(fn, args(chars("addto"), intScalar(axis), whole("T.Data"), whole("F.Data"), std::move(more)...));
    };
    EXPECT_EQ(fold(Reduce, 3), 10015);  // an axis past the rank
    EXPECT_EQ(fold(Reduce, 1), 10001);  // a target of the wrong count
    EXPECT_EQ(fold(LComb, 0, numberVector({1, 2, 3})), 10001);  // weights of the wrong count
    EXPECT_EQ(fold(CorrectWtd, 0, numberConstant(1), through("F.W", {{1}, {1, 2, 3}, {1, 2, 3, 4}})), 10015);  // fewer weights
    EXPECT_EQ(fold(CorrectWtd, 0, numberBuffer({1, 2}), whole("F.W")), 10001);  // a divisor of the wrong count
    EXPECT_EQ(get("T.Data"), Numbers(12, -99));
}

}  // namespace
}  // namespace zrt::test
