#include "arrayfile/walk.h"

#include <gtest/gtest.h>

#include <numeric>

#include "arrayfile/copy.h"
#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "fixture.h"

namespace zrt {
namespace {

using test::Ids;

class Walk : public test::ArrayFiles {
protected:
    // A memory array under the root with a double item "Data" whose cell c holds c.
    ItemObject* numberedItem(const std::string& array, const std::vector<Ids>& dims) {
        EXPECT_EQ(newMemoryArray(array, test::selection(dims)), 0);
        NamedObject* o;
        EXPECT_EQ(LocateObject(array.c_str(), kMemoryArrayKind, o), kOk);
        uint32_t cells = as<MemoryArrayObject>(o)->structure.cells;
        ArrayPtr values(AllocArray(kDouble, 1, &cells));
        for (uint32_t c = 0; c < cells; ++c) setDoubleAt(dataOf(values.get()), c, c);
        EXPECT_EQ(test::codeOfCall(New, test::args(test::chars(array + ".Data"), test::intScalar(4),
                                                   test::intScalar(8), std::move(values))), 0);
        EXPECT_EQ(LocateObject((array + ".Data").c_str(), kItemKind, o), kOk);
        return as<ItemObject>(o);
    }

    static std::unique_ptr<Structure> against(ItemObject* item, const std::vector<Ids>& dims) {
        auto s = std::make_unique<Structure>();
        ArrayPtr sel = test::selection(dims);
        EXPECT_EQ(BuildFromSelection(sel.get(), &StructureOf(ArrayOf(item)), *s, 0, true), kOk);
        return s;
    }

    // The cell numbers that steps steps of the walk visit.
    static std::vector<uint32_t> visit(Operand& op, uint32_t steps) {
        uint32_t n = 0;
        EXPECT_EQ(BeginWalk(op, n), kOk);
        std::vector<uint32_t> cells;
        for (uint32_t k = 0; k < steps; ++k) {
            cells.push_back(op.current);
            StepWalk(op);
        }
        EndWalk(op);
        return cells;
    }
};

TEST_F(Walk, SelectionOrderWithReorderedAndRepeatedIds) {
    // Dense ids get lookup tables, sparse ones are searched: the order is the same.
    for (const std::vector<Ids>& dims : {std::vector<Ids>{{1, 2, 3}, {10, 20}},
                                         std::vector<Ids>{{100, 5000, 90000}, {7, 100000}}}) {
        SCOPED_TRACE(dims[0][1]);
        ItemObject* item = numberedItem("M", dims);
        auto sel = against(item, {{dims[0][2], dims[0][0], dims[0][2]}, {dims[1][1], dims[1][0]}});
        Operand op;
        ASSERT_EQ(OperandOfItem(*item, sel.get(), 0, op), kOk);
        EXPECT_EQ(op.count, 6u);
        // Row-major over the selection; one step past the last cell is the first again.
        EXPECT_EQ(visit(op, 7), (std::vector<uint32_t>{5, 4, 1, 0, 5, 4, 5}));
        ASSERT_EQ(close("M"), 0);
    }
}

TEST_F(Walk, WholeItemInCellOrderAndBackToTheStart) {
    ItemObject* item = numberedItem("M", {{1, 2}, {1, 2, 3}});
    Operand op;
    ASSERT_EQ(OperandOfItem(*item, nullptr, 0, op), kOk);
    EXPECT_EQ(visit(op, 8), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 0, 1}));
}

TEST_F(Walk, ThroughItsOwnStructureAnArrayIsWalkedByPosition) {
    // As a transposed copy walks its source: the array's structure swapped for a reordered
    // one that keeps the source strides, walked through itself.
    ItemObject* item = numberedItem("M", {{1, 2}, {7, 8, 9}});
    Structure& own = StructureOf(ArrayOf(item));
    uint32_t order[2] = {1, 0};
    Structure reordered;
    ASSERT_EQ(Reorder(own, reordered, order), kOk);
    std::swap(own, reordered);
    {
        Operand op;
        ASSERT_EQ(OperandOfItem(*item, &own, 0, op), kOk);
        EXPECT_EQ(visit(op, 6), (std::vector<uint32_t>{0, 3, 1, 4, 2, 5}));
    }
    std::swap(own, reordered);

    // Repeated ids: by position every cell is reached; by id the lookup decides.
    ItemObject* repeated = numberedItem("R", {{5, 5, 6}});
    Operand byPosition, byId;
    ASSERT_EQ(OperandOfItem(*repeated, &StructureOf(ArrayOf(repeated)), 0, byPosition), kOk);
    EXPECT_EQ(visit(byPosition, 3), (std::vector<uint32_t>{0, 1, 2}));
    Structure copy = StructureOf(ArrayOf(repeated));
    ASSERT_EQ(OperandOfItem(*repeated, &copy, 0, byId), kOk);
    EXPECT_EQ(visit(byId, 3), (std::vector<uint32_t>{0, 0, 2}));  // no table: the first position
}

TEST_F(Walk, OneCellWalksOfferTheirCellAtEveryStep) {
    ItemObject* item = numberedItem("M", {{1, 2}, {1, 2, 3}});
    auto one = against(item, {{2}, {3}});
    Operand selected;
    ASSERT_EQ(OperandOfItem(*item, one.get(), 0, selected), kOk);
    EXPECT_EQ(visit(selected, 3), (std::vector<uint32_t>{5, 5, 5}));

    ItemObject* single = numberedItem("S", {{4}});
    Operand whole;
    ASSERT_EQ(OperandOfItem(*single, nullptr, 0, whole), kOk);
    EXPECT_EQ(visit(whole, 3), (std::vector<uint32_t>{0, 0, 0}));

    Operand constant;
    ASSERT_EQ(OperandOfConstant(kBitCellType, 5, constant), kOk);
    uint32_t steps = 0;
    ASSERT_EQ(BeginWalk(constant, steps), kOk);
    EXPECT_EQ(steps, 1u);
    GetCell(constant);
    EXPECT_EQ(constant.value[0], 0x80);  // any value but 0 is a set bit
}

TEST_F(Walk, CopyLoopSpreadsOneCellAndRefusesOtherCounts) {
    ItemObject* item = numberedItem("M", {{1, 2}, {1, 2, 3}});
    Operand target, constant;
    ASSERT_EQ(OperandOfItem(*item, nullptr, 1, target), kOk);
    ASSERT_EQ(OperandOfConstant(kDoubleCellType, 2.5, constant), kOk);
    ASSERT_EQ(CopyLoop(target, constant), kOk);
    EXPECT_EQ(get("M.Data").cells, std::vector<double>(6, 2.5));

    double three[3] = {7, 8, 9};
    Operand buffer;
    ASSERT_EQ(OperandOfBuffer(kDoubleCellType, reinterpret_cast<uint8_t*>(three), 3, 0, buffer), kOk);
    EXPECT_EQ(CopyLoop(target, buffer), kRange);
    EXPECT_EQ(get("M.Data").cells, std::vector<double>(6, 2.5));  // nothing written
}

TEST_F(Walk, CollapseAlongEitherAxisAndRestore) {
    ItemObject* item = numberedItem("M", {{1, 2, 3}, {1, 2, 3, 4}});
    struct Case {
        uint32_t axis;
        uint32_t count;
        std::vector<uint32_t> offsets;
        std::vector<uint32_t> cells;  // the cells the collapsed walk visits
    };
    const Case cases[] = {
        {1, 3, {0, 1, 2, 3}, {0, 4, 8}},
        {0, 4, {0, 4, 8}, {0, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.axis);
        Operand op;
        ASSERT_EQ(OperandOfItem(*item, nullptr, 0, op), kOk);
        {
            AxisCollapse axis;
            ASSERT_EQ(CollapseAxis(op, c.axis, axis), kOk);
            EXPECT_EQ(op.kind, kSelectedOperand);
            EXPECT_EQ(op.count, c.count);
            EXPECT_EQ(axis.offsets, c.offsets);
            EXPECT_EQ(visit(op, c.count), c.cells);
            RestoreAxis(axis);
        }
        EXPECT_EQ(op.kind, kFlatOperand);
        EXPECT_EQ(op.count, 12u);
        EXPECT_EQ(op.selection, nullptr);
    }
}

TEST_F(Walk, CollapseOfASelectionListingTheAxisBackwards) {
    ItemObject* item = numberedItem("M", {{1, 2, 3}, {1, 2, 3, 4}});
    auto sel = against(item, {{3, 1}, {4, 2}});
    Operand op;
    ASSERT_EQ(OperandOfItem(*item, sel.get(), 0, op), kOk);
    {
        AxisCollapse axis;
        ASSERT_EQ(CollapseAxis(op, 1, axis), kOk);
        uint32_t steps = 0;
        ASSERT_EQ(BeginWalk(op, steps), kOk);
        ASSERT_EQ(steps, 2u);
        // First step: id 3 of dimension 0; the axis ids 4 and 2 are cells 11 and 9.
        EXPECT_EQ(op.current, 11u);
        EXPECT_EQ(op.current + axis.offsets[1], 9u);
        StepWalk(op);
        EXPECT_EQ(op.current, 3u);
        EXPECT_EQ(op.current + axis.offsets[1], 1u);
        EndWalk(op);
        // Not restored by hand: the collapse undoes itself.
    }
    EXPECT_EQ(op.count, 4u);
    EXPECT_EQ(sel->dims[1].size, 2u);
    EXPECT_EQ(sel->cells, 4u);
}

TEST_F(Walk, CollapseRefusesWhatHasNoAxis) {
    ItemObject* item = numberedItem("M", {{1, 2, 3}, {1, 2}});
    Operand op, constant;
    ASSERT_EQ(OperandOfItem(*item, nullptr, 0, op), kOk);
    ASSERT_EQ(OperandOfConstant(kDoubleCellType, 1, constant), kOk);
    AxisCollapse axis;
    EXPECT_EQ(CollapseAxis(op, 2, axis), kRange);
    EXPECT_EQ(CollapseAxis(constant, 0, axis), kUnsuited);
    auto empty = against(item, {{}, {1, 2}});
    Operand none;
    ASSERT_EQ(OperandOfItem(*item, empty.get(), 0, none), kOk);
    EXPECT_EQ(CollapseAxis(none, 0, axis), kRange);
    EXPECT_EQ(op.count, 6u);
}

TEST_F(Walk, SelectionOfAnotherRankOrUnknownIdsCannotBegin) {
    ItemObject* item = numberedItem("M", {{1, 2, 3}, {1, 2}});
    Structure wrong;
    ArrayPtr sel = test::selection({{1}});
    ASSERT_EQ(BuildFromSelection(sel.get(), nullptr, wrong, 0, false), kOk);
    Operand op;
    ASSERT_EQ(OperandOfItem(*item, &wrong, 0, op), kOk);
    uint32_t steps;
    EXPECT_EQ(BeginWalk(op, steps), kRange);
    Structure unknown;
    ArrayPtr sel2 = test::selection({{1, 9}, {1}});
    ASSERT_EQ(BuildFromSelection(sel2.get(), nullptr, unknown, 0, false), kOk);
    Operand op2;
    ASSERT_EQ(OperandOfItem(*item, &unknown, 0, op2), kOk);
    EXPECT_EQ(BeginWalk(op2, steps), kRange);
}

}  // namespace
}  // namespace zrt
