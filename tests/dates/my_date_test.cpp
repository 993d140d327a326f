// myDate as the interpreter calls it: the argument's forms, result shapes and codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dates/names.h"
#include "frame/args.h"
#include "support/arrays.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::args;
using test::chars;
using test::codeOf;
using test::doubles;
using test::intScalar;
using test::valueOf;

class MyDate : public ::testing::Test {
protected:
    void SetUp() override { ResetNames(); }
    void TearDown() override { ResetNames(); }

    // The texts of a successful call in ravel order; fails the test on a code.
    static std::vector<std::string> texts(ArrayPtr format, ArrayPtr dates) {
        ArrayPtr r(myDate(args(std::move(format), std::move(dates)).get()));
        std::vector<std::string> out;
        EXPECT_EQ(codeOf(r.get()), 0);
        const APLArray* v = valueOf(r.get());
        if (!v || typeOf(v) != kNested) return out;
        for (uint32_t k = 0; k < cellCount(v); ++k) out.push_back(test::textOf(slotAt(v, k)));
        return out;
    }
    static int32_t code(ArrayPtr arg) { return codeOf(ArrayPtr(myDate(arg.get())).get()); }
};

using Texts = std::vector<std::string>;

TEST_F(MyDate, NumberedAndWrittenFormats) {
    EXPECT_EQ(texts(intScalar(1), doubles({36523.5})), Texts{"31/12/99"});
    EXPECT_EQ(texts(intScalar(25), doubles({36523.75})), Texts{"18:00"});
    ASSERT_EQ(DateInit(1, ""), 0u);
    ASSERT_EQ(DateInit(2, ""), 0u);
    EXPECT_EQ(texts(intScalar(28), doubles({36523})),
              Texts{"Friday, 31st December 1999, 00:00"});
    EXPECT_EQ(texts(test::ints({9, 99}), doubles({36300})), Texts{"2q99"});  // 10 May 1999
    EXPECT_EQ(texts(intScalar(14), doubles({36300})), Texts{"99-2"});
    EXPECT_EQ(texts(chars("dd mon yyyy"), doubles({36523, -5, 1e9})),
              texts(chars("DD MON YYYY"), doubles({36523, -5, 1e9})));
    EXPECT_EQ(texts(chars("dd mon yyyy"), doubles({36523, -5})),
              (Texts{"31 Dec 1999", "01 Jan 1900"}));
    EXPECT_EQ(texts(chars(""), doubles({0})), Texts{""});
}

TEST_F(MyDate, ResultHasTheShapeOfTheDates) {
    uint32_t shape[3] = {2, 1, 3};
    ArrayPtr cube(AllocArray(kInt32, 3, shape));
    for (uint32_t k = 0; k < 6; ++k) SetItemInt(cube.get(), k, static_cast<int32_t>(k));
    ArrayPtr r(myDate(args(intScalar(22), std::move(cube)).get()));
    const APLArray* v = valueOf(r.get());
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(typeOf(v), kNested);
    ASSERT_EQ(rankOf(v), 3u);
    EXPECT_EQ(shapeOf(v)[0], 2u);
    EXPECT_EQ(shapeOf(v)[2], 3u);
    EXPECT_EQ(test::textOf(slotAt(v, 5)), "1900-01-06");

    ArrayPtr one(myDate(args(intScalar(15), test::doubleScalar(36523)).get()));
    ASSERT_NE(valueOf(one.get()), nullptr);
    EXPECT_EQ(rankOf(valueOf(one.get())), 0u);
    EXPECT_EQ(test::textOf(slotAt(valueOf(one.get()), 0)), "1999");

    // No dates: an empty character array of their shape.
    uint32_t empty[2] = {0, 4};
    ArrayPtr none(myDate(args(intScalar(1), ArrayPtr(AllocArray(kDouble, 2, empty))).get()));
    const APLArray* e = valueOf(none.get());
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(typeOf(e), kChar);
    EXPECT_EQ(rankOf(e), 2u);
    EXPECT_EQ(shapeOf(e)[1], 4u);
}

TEST_F(MyDate, RefusesMalformedArguments) {
    struct Case {
        const char* name;
        ArrayPtr arg;
        int32_t code;
    };
    Case cases[] = {
        {"one item", args(intScalar(1)), 10004},
        {"three items", args(intScalar(1), doubles({0}), doubles({0})), 10004},
        {"simple vector", test::ints({1, 0}), 10004},
        {"format 0", args(intScalar(0), doubles({0})), 10004},
        {"format 37", args(intScalar(37), doubles({0})), 10004},
        {"format 1.5", args(test::doubleScalar(1.5), doubles({0})), 10004},
        {"empty format number", args(ArrayPtr(allocVector(kInt32, 0)), doubles({0})), 10001},
        {"nested format", args(args(chars("DD")), doubles({0})), 10004},
        {"character dates", args(intScalar(1), chars("1999")), 10004},
        {"nested dates", args(intScalar(1), args(doubles({0}))), 10004},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(code(std::move(c.arg)), c.code);
    }
    EXPECT_EQ(codeOf(ArrayPtr(myDate(nullptr)).get()), 10004);
}

}  // namespace
}  // namespace zrt
