// Walks over the cells of an item: their order and runs, repeated ids, refused selections, and
// operand buffers that never alias the caller's array.
#include "arrayfile/walk.h"

#include <gtest/gtest.h>

#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "arrayfile/operand.h"
#include "fixture.h"

namespace zrt::test {
namespace {

using Visits = std::vector<uint32_t>;

class Walk : public ArrayFiles {
protected:
    // A memory array under the root with a double item "Data" whose cell c holds c.
    ItemObject* numberedItem(const std::string& array, const std::vector<Ids>& dims) {
        EXPECT_EQ(newMemoryArray(array, selection(dims)), 0);
        uint32_t cells = findAs<MemoryArrayObject>(array, kMemoryArrayKind)->structure.cells;
        ArrayPtr values(AllocArray(kDouble, 1, &cells));
        for (uint32_t c = 0; c < cells; ++c) setDoubleAt(dataOf(values.get()), c, c);
        EXPECT_EQ(codeOfCall(New, args(chars(array + ".Data"), intScalar(4), intScalar(8), std::move(values))), 0);
        return findAs<ItemObject>(array + ".Data", kItemKind);
    }
    // The cells of the walk, taken in blocks of `block` cells.
    static Visits visit(Operand& op, uint32_t steps, uint32_t block = 1) {
        uint32_t n = 0;
        EXPECT_EQ(BeginWalk(op, n), kOk);
        Visits cells;
        for (uint32_t done = 0, m; done < steps; done += m) {
            m = std::min(block, steps - done);
            zrt::Run run = NextRun(op, m);
            for (uint32_t k = 0; k < m; ++k) cells.push_back(run.cell(k));
        }
        EndWalk(op);
        return cells;
    }
};

TEST_F(Walk, SelectionOrderWithReorderedAndRepeatedIds) {
    // Sparse ids, so searched rather than looked up in a table.
    ItemObject* item = numberedItem("M", {{100, 5000, 90000}, {7, 100000}});
    Structure sel;
    ASSERT_EQ(BuildFromSelection(selection({{90000, 100, 90000}, {100000, 7}}).get(), &StructureOf(ArrayOf(item)), sel, 0, true), kOk);
    Operand op;
    ASSERT_EQ(OperandOfItem(*item, &sel, 0, op), kOk);
    EXPECT_EQ(op.count, 6u);
    // Row-major over the selection; one step past the last cell is the first again.
    EXPECT_EQ(visit(op, 7), (Visits{5, 4, 1, 0, 5, 4, 5}));
    EXPECT_EQ(visit(op, 7, 4), (Visits{5, 4, 1, 0, 5, 4, 5}));
    // An item's own structure walks by position; a copy of it finds each id's first position.
    ItemObject* repeated = numberedItem("R", {{5, 5, 6}});
    Structure copy = StructureOf(ArrayOf(repeated));
    Operand byPosition, byId;
    ASSERT_EQ(OperandOfItem(*repeated, &StructureOf(ArrayOf(repeated)), 0, byPosition), kOk);
    EXPECT_EQ(visit(byPosition, 3), (Visits{0, 1, 2}));
    ASSERT_EQ(OperandOfItem(*repeated, &copy, 0, byId), kOk);
    EXPECT_EQ(visit(byId, 3), (Visits{0, 0, 2}));
}

TEST_F(Walk, EvenlySpacedIdsMakeRunsAcrossRows) {
    ItemObject* item = numberedItem("M", {{1, 2, 3}, {1, 2, 3, 4}});
    struct Case {
        std::vector<Ids> dims;
        uint32_t length;  // cells of one run
        int64_t step;
        Visits cells;
    };
    const Case cases[] = {
        {{{1, 2, 3}, {1, 2, 3, 4}}, 12, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        {{{3, 2}, {4, 3, 2, 1}}, 8, -1, {11, 10, 9, 8, 7, 6, 5, 4}},
        {{{1, 3}, {2, 4}}, 2, 2, {1, 3, 9, 11}},
        {{{2, 3}, {2}}, 2, 4, {5, 9}},
        {{{1, 2}, {1, 3, 4}}, 3, 0, {0, 2, 3, 4, 6, 7}},  // uneven: one row, listed
    };
    for (const Case& c : cases) {
        Structure sel;
        ASSERT_EQ(BuildFromSelection(selection(c.dims).get(), &StructureOf(ArrayOf(item)), sel, 0, true), kOk);
        Operand op;
        ASSERT_EQ(OperandOfItem(*item, &sel, 0, op), kOk);
        uint32_t n = 0;
        ASSERT_EQ(BeginWalk(op, n), kOk);
        if (c.step) {
            EXPECT_EQ(op.walk.runLength, c.length);
            EXPECT_EQ(op.walk.runStep, c.step);
        }
        EndWalk(op);
        for (uint32_t block : {1u, 3u, 5u, 64u}) EXPECT_EQ(visit(op, n, block), c.cells) << block;
    }
}

TEST_F(Walk, SelectionsWithoutTheItemsIdsAreRefused) {
    ItemObject* item = numberedItem("M", {{1, 2, 3}, {1, 2}});
    // Another rank, or an id the item lacks.
    for (const std::vector<Ids>& dims : {std::vector<Ids>{{1}}, std::vector<Ids>{{1, 9}, {1}}}) {
        Structure s;
        ASSERT_EQ(BuildFromSelection(selection(dims).get(), nullptr, s, 0, false), kOk);
        Operand bad;
        ASSERT_EQ(OperandOfItem(*item, &s, 0, bad), kOk);
        uint32_t steps;
        EXPECT_EQ(BeginWalk(bad, steps), kRange);
    }
}

TEST(Operand, ADestinationBufferIsACopy) {
    ArrayPtr arg = args(args(intScalar(8), doubles({1, 2})));
    Operand op;
    uint32_t form, steps = 0;
    ASSERT_EQ(ParseOperand(arg.get(), 0, op, 1, form), kOk);
    ASSERT_TRUE(op.ownValues);
    ASSERT_EQ(BeginWalk(op, steps), kOk);
    uint8_t nine[16];
    StoreDouble(nine, 9);
    StoreDouble(nine + 8, 9);
    WriteRun(op, NextRun(op, 2), nine, nullptr, 2);
    EndWalk(op);
    EXPECT_EQ(numbersOf(slotAt(slotAt(arg.get(), 0), 1)), (Cells{1, 2}));
    ReleaseOperand(op);
    EXPECT_EQ(op.data, nullptr);
}

}  // namespace
}  // namespace zrt::test
