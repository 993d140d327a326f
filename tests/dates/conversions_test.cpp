// The four array exports of the calendar: shapes, element types and codes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "frame/args.h"
#include "support/arrays.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::codeOf;
using test::numbersOf;
using test::valueOf;

// An integer array of any shape holding the values in row-major order.
ArrayPtr intArray(std::vector<uint32_t> shape, std::vector<int32_t> values) {
    ArrayPtr a(AllocArray(kInt32, static_cast<uint32_t>(shape.size()), shape.data()));
    if (!values.empty()) std::memcpy(dataOf(a.get()), values.data(), 4 * values.size());
    return a;
}

std::vector<uint32_t> shapeOfValue(const APLArray* v) {
    return std::vector<uint32_t>(shapeOf(v), shapeOf(v) + rankOf(v));
}

using Export = APLArray* (*)(APLArray*);

struct Call {
    ArrayPtr result;
    int32_t code() const { return codeOf(result.get()); }
    const APLArray* value() const { return valueOf(result.get()); }
};

Call call(Export f, const ArrayPtr& arg) { return {ArrayPtr(f(arg.get()))}; }

TEST(DateExports, KnownValuesBothWays) {
    struct Case {
        const char* name;
        Export f;
        std::vector<int32_t> in, out;
    };
    const Case cases[] = {
        {"YMD of day 0", DateToYMD, {0}, {1900, 1, 1}},
        {"YMD of 1 March 1900", DateToYMD, {59}, {1900, 3, 1}},
        {"YMD of day 36523", DateToYMD, {36523}, {1999, 12, 31}},
        {"YMD of day -1", DateToYMD, {-1}, {1899, 12, 31}},
        {"leap day", DateFromYMD, {2000, 2, 29}, {36583}},
        {"day 0 from YMD", DateFromYMD, {1900, 1, 1}, {0}},
        {"Sunday 3 January 2010", DateToYWD, {40179}, {2009, 53, 7}},
        {"Monday 31 December 2007", DateToYWD, {39445}, {2008, 1, 1}},
        {"week 53 of 2009", DateFromYWD, {2009, 53, 7}, {40179}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Call r = call(c.f, intArray({static_cast<uint32_t>(c.in.size())}, c.in));
        ASSERT_EQ(r.code(), 0);
        std::vector<double> expected(c.out.begin(), c.out.end());
        EXPECT_EQ(numbersOf(r.value()), expected);
    }
}

TEST(DateExports, TriplesGoAlongANewLastAxisForEveryRank) {
    Call scalar = call(DateToYMD, test::intScalar(36523));
    ASSERT_EQ(scalar.code(), 0);
    EXPECT_EQ(shapeOfValue(scalar.value()), (std::vector<uint32_t>{3}));

    Call matrix = call(DateToYWD, intArray({2, 4}, {0, 1, 2, 3, 4, 5, 6, 7}));
    ASSERT_EQ(matrix.code(), 0);
    EXPECT_EQ(shapeOfValue(matrix.value()), (std::vector<uint32_t>{2, 4, 3}));
    EXPECT_EQ(numbersOf(matrix.value())[3 * 7], 1900);  // day 7: Monday of week 2
    EXPECT_EQ(numbersOf(matrix.value())[3 * 7 + 1], 2);
    EXPECT_EQ(numbersOf(matrix.value())[3 * 7 + 2], 1);

    Call empty = call(DateToYMD, intArray({0, 5}, {}));
    ASSERT_EQ(empty.code(), 0);
    EXPECT_EQ(shapeOfValue(empty.value()), (std::vector<uint32_t>{0, 5, 3}));

    // A rank-15 argument leaves no room for the new axis.
    std::vector<uint32_t> ones(15, 1);
    EXPECT_EQ(call(DateToYMD, intArray(ones, {0})).code(), 10001);
}

TEST(DateExports, FromTriplesDropsTheLastAxisWhichMustBeThree) {
    Call vector = call(DateFromYMD, test::ints({1999, 12, 31}));
    ASSERT_EQ(vector.code(), 0);
    EXPECT_EQ(rankOf(vector.value()), 0u);
    EXPECT_EQ(numbersOf(vector.value()), (std::vector<double>{36523}));

    Call cube = call(DateFromYWD, intArray({2, 1, 3}, {2009, 53, 7, 2008, 1, 1}));
    ASSERT_EQ(cube.code(), 0);
    EXPECT_EQ(shapeOfValue(cube.value()), (std::vector<uint32_t>{2, 1}));
    EXPECT_EQ(numbersOf(cube.value()), (std::vector<double>{40179, 39445}));

    Call empty = call(DateFromYMD, intArray({0, 3}, {}));
    ASSERT_EQ(empty.code(), 0);
    EXPECT_EQ(shapeOfValue(empty.value()), (std::vector<uint32_t>{0}));

    EXPECT_EQ(call(DateFromYMD, intArray({2, 4}, {1, 2, 3, 4, 5, 6, 7, 8})).code(), 10001);
    EXPECT_EQ(call(DateFromYWD, test::ints({2009, 53})).code(), 10001);
    EXPECT_EQ(call(DateFromYMD, test::intScalar(3)).code(), 10004);
}

TEST(DateExports, ElementsMustBeWholeNumbers) {
    struct Case {
        const char* name;
        ArrayPtr arg;
        int32_t code;
    };
    Case cases[] = {
        {"characters", test::chars("abc"), 10004},
        {"fraction", test::doubles({1999, 12, 31.5}), 10004},
        {"beyond 32 bits", test::doubles({4e9, 1, 1}), 10004},
        {"nested", test::args(test::intScalar(1), test::intScalar(2), test::intScalar(3)), 10004},
        {"whole doubles", test::doubles({1999, 12, 31}), 0},
        {"Booleans", test::bools({1, 0, 1}), 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(call(DateToYMD, c.arg).code(), c.code);
        EXPECT_EQ(call(DateFromYMD, c.arg).code(), c.code);
    }
    EXPECT_EQ(codeOf(ArrayPtr(DateToYWD(nullptr)).get()), 10004);
    EXPECT_EQ(codeOf(ArrayPtr(DateFromYWD(nullptr)).get()), 10004);

    // Narrow integer types are read sign-extended.
    uint32_t three = 3;
    ArrayPtr narrow(AllocArray(kInt16, 1, &three));
    int16_t ymd[3] = {1900, 1, 1};
    std::memcpy(dataOf(narrow.get()), ymd, sizeof ymd);
    Call r = call(DateFromYMD, narrow);
    ASSERT_EQ(r.code(), 0);
    EXPECT_EQ(numbersOf(r.value()), (std::vector<double>{0}));
}

}  // namespace
}  // namespace zrt
