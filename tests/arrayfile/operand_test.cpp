// Operands as the engine's exports take them: a buffer written into never reaches the caller's
// array.
#include "arrayfile/operand.h"

#include <gtest/gtest.h>

#include "arrayfile/item_flags.h"
#include "arrayfile/walk.h"
#include "fixture.h"

namespace zrt::test {
namespace {

TEST(Operand, ADestinationBufferIsACopy) {
    ArrayPtr arg = args(args(intScalar(8), doubles({1, 2})));
    const APLArray* original = slotAt(arg.get(), 0);
    Operand op, constant;
    uint32_t form;
    ASSERT_EQ(ParseOperand(arg.get(), 0, op, 1, form), kOk);
    ASSERT_TRUE(op.ownValues);
    ASSERT_EQ(OperandOfConstant(kDoubleCellType, 9, constant), kOk);
    uint32_t steps = 0;
    ASSERT_EQ(BeginWalk(op, steps), kOk);
    PutCell(op, constant.value);
    EndWalk(op);
    EXPECT_EQ(numbersOf(slotAt(original, 1)), (Cells{1, 2}));
    ReleaseOperand(op);
    EXPECT_EQ(op.data, nullptr);
}

}  // namespace
}  // namespace zrt::test
