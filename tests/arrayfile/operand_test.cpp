// Operands as the engine's exports take them: what each form refuses, and a buffer written
// into never reaching the caller's array.
#include "arrayfile/operand.h"

#include <gtest/gtest.h>

#include <functional>

#include "arrayfile/item_flags.h"
#include "arrayfile/walk.h"
#include "fixture.h"

namespace zrt::test {
namespace {

class OperandTest : public ArrayFiles {
protected:
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newMemoryArray("M", selection({{1, 2}, {1, 2, 3}})), 0);
        ASSERT_EQ(codeOfCall(New, args(chars("M.Data"), intScalar(4), intScalar(8), doubles({1, 2, 3, 4, 5, 6}))), 0);
    }
    // Parses item 0 of a one-item argument.
    Code parse(ArrayPtr operand, Operand& out, uint16_t destination) {
        arg_ = args(std::move(operand));
        uint32_t form;
        return ParseOperand(arg_.get(), 0, out, destination, form);
    }
    ArrayPtr arg_;
};

TEST_F(OperandTest, Refusals) {
    struct Case {
        const char* name;
        std::function<ArrayPtr()> make;
        uint16_t destination;
        Code code;
    };
    const Case cases[] = {
        {"constant of type 3", [] { return ints({3, 1}); }, 0, kBadType},
        {"constant as destination", [] { return ints({8, 1}); }, 1, kUnsuited},
        {"bits that are not Boolean", [] { return args(intScalar(1), ints({1, 0})); }, 0, kBadType},
        {"numbers that are text", [] { return args(intScalar(8), chars("ab")); }, 0, kBadType},
        {"selection missing", [] { return args(chars("M.Data")); }, 0, kNotVector},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Operand op;
        EXPECT_EQ(parse(c.make(), op, c.destination), c.code);
    }
}

TEST_F(OperandTest, ADestinationBufferIsACopy) {
    ArrayPtr values = doubles({1, 2});
    const APLArray* original = values.get();
    Operand op, constant;
    ASSERT_EQ(parse(args(intScalar(8), std::move(values)), op, 1), kOk);
    ASSERT_TRUE(op.ownValues);
    ASSERT_EQ(OperandOfConstant(kDoubleCellType, 9, constant), kOk);
    uint32_t steps = 0;
    ASSERT_EQ(BeginWalk(op, steps), kOk);
    PutCell(op, constant.value);
    EndWalk(op);
    EXPECT_EQ(numbersOf(original), (Cells{1, 2}));
    ReleaseOperand(op);
    EXPECT_EQ(op.data, nullptr);
}

}  // namespace
}  // namespace zrt::test
