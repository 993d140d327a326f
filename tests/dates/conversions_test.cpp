// The calendar's four array exports and myDate as the interpreter calls them: shapes, element
// types and codes (docs/dates.md runs myDate's pictures, dates of any rank and no dates).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "frame/args.h"
#include "support/arrays.h"
#include "zrt32.h"

namespace zrt {
namespace {

using namespace test;
using Shape = std::vector<uint32_t>;
using Export = APLArray* (*)(APLArray*);

// An integer array of any shape holding the values in row-major order.
ArrayPtr intArray(Shape shape, std::vector<int32_t> values) {
    ArrayPtr a(AllocArray(kInt32, static_cast<uint32_t>(shape.size()), shape.data()));
    if (!values.empty()) std::memcpy(dataOf(a.get()), values.data(), 4 * values.size());
    return a;
}

// Every export keeps the triple's order and puts it on the last axis, whatever the rank.
TEST(DateExports, ConvertArraysOfAnyRankAlongTheLastAxis) {
    struct Case {
        const char* name;
        Export f;
        Shape inShape;
        std::vector<int32_t> in;
        Shape outShape;
        std::vector<double> out;
    };
    const Case cases[] = {
        {"YMD of a scalar", DateToYMD, {}, {-1}, {3}, {1899, 12, 31}},
        {"YMD of an empty matrix", DateToYMD, {0, 5}, {}, {0, 5, 3}, {}},
        {"YMD of a vector to a scalar", DateFromYMD, {3}, {2000, 2, 29}, {}, {36583}},
        {"YWD of a cube", DateFromYWD, {2, 1, 3}, {2009, 53, 7, 2008, 1, 1}, {2, 1},
         {40179, 39445}},
        {"no triples", DateFromYMD, {0, 3}, {}, {0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ArrayPtr r(c.f(intArray(c.inShape, c.in).get()));
        ASSERT_EQ(codeOf(r.get()), 0);
        const APLArray* v = valueOf(r.get());
        EXPECT_EQ(Shape(shapeOf(v), shapeOf(v) + rankOf(v)), c.outShape);
        EXPECT_EQ(numbersOf(v), c.out);
    }
}

TEST(DateExports, RefuseWrongShapesAndElementsThatAreNotWholeNumbers) {
    struct Case {
        const char* name;
        Export f;
        ArrayPtr arg;
        int32_t code;
    } cases[] = {
        {"rank 15 leaves no room for the new axis", DateToYMD, intArray(Shape(15, 1), {0}), 10001},
        {"last axis 4", DateFromYMD, intArray({2, 4}, {1, 2, 3, 4, 5, 6, 7, 8}), 10001},
        {"scalar triple", DateFromYMD, intScalar(3), 10004},
        {"fraction", DateFromYMD, doubles({1999, 12, 31.5}), 10004},
        {"beyond 32 bits", DateToYWD, doubles({4e9, 1, 1}), 10004},
        {"null", DateToYWD, nullptr, 10004},
        {"a day number beyond 32 bits", DateFromYMD, ints({2147483647, 12, 31}), 10001},
        {"week beyond 32 bits", DateFromYWD, ints({2000, -2147483647 - 1, 1}), 10001},
        {"the last day number", DateFromYMD, ints({5881510, 7, 12}), 0},
        {"the day after", DateFromYMD, ints({5881510, 7, 13}), 10001},
        {"whole doubles", DateFromYMD, doubles({1999, 12, 31}), 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(codeOf(ArrayPtr(c.f(c.arg.get())).get()), c.code);
    }
}

TEST(MyDate, AFormatVectorUsesItsFirstNumberAndMalformedArgumentsAreRefused) {
    ArrayPtr r(myDate(args(ints({9, 99}), doubles({36300})).get()));  // 10 May 1999
    ASSERT_EQ(codeOf(r.get()), 0);
    EXPECT_EQ(textOf(slotAt(valueOf(r.get()), 0)), "2q99");
    struct Case {
        const char* name;
        ArrayPtr arg;
        int32_t code;
    } cases[] = {
        {"one item", args(intScalar(1)), 10004},
        {"format 1.5", args(doubleScalar(1.5), doubles({0})), 10004},
        {"empty format number", args(ArrayPtr(AllocVector(kInt32, 0)), doubles({0})), 10001},
        {"nested dates", args(intScalar(1), args(doubles({0}))), 10004},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(codeOf(ArrayPtr(myDate(c.arg.get())).get()), c.code);
    }
}

}  // namespace
}  // namespace zrt
