// myDate as the interpreter calls it: the argument's forms, result shapes and codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
using Texts = std::vector<std::string>;

// The texts of a successful call in ravel order; fails the test on a code.
Texts texts(ArrayPtr format, ArrayPtr dates) {
    ArrayPtr r(myDate(args(std::move(format), std::move(dates)).get()));
    Texts out;
    EXPECT_EQ(codeOf(r.get()), 0);
    const APLArray* v = valueOf(r.get());
    if (!v || typeOf(v) != kNested) return out;
    for (uint32_t k = 0; k < cellCount(v); ++k) out.push_back(test::textOf(slotAt(v, k)));
    return out;
}

TEST(MyDate, NumberedAndWrittenFormats) {
    EXPECT_EQ(texts(intScalar(25), doubles({36523.75})), Texts{"18:00"});
    EXPECT_EQ(texts(test::ints({9, 99}), doubles({36300})), Texts{"2q99"});  // 10 May 1999
    // A written format is upper-cased before it is read.
    EXPECT_EQ(texts(chars("dd mon yyyy"), doubles({36523, -5})),
              (Texts{"31 Dec 1999", "01 Jan 1900"}));
    EXPECT_EQ(texts(chars(""), doubles({0})), Texts{""});

    ArrayPtr one(myDate(args(intScalar(15), test::doubleScalar(36523)).get()));
    ASSERT_NE(valueOf(one.get()), nullptr);
    EXPECT_EQ(rankOf(valueOf(one.get())), 0u);
    EXPECT_EQ(test::textOf(slotAt(valueOf(one.get()), 0)), "1999");
}

TEST(MyDate, RefusesMalformedArguments) {
    struct Case {
        const char* name;
        ArrayPtr arg;
        int32_t code;
    };
    Case cases[] = {
        {"one item", args(intScalar(1)), 10004},
        {"simple vector", test::ints({1, 0}), 10004},
        {"format 0", args(intScalar(0), doubles({0})), 10004},
        {"format 1.5", args(test::doubleScalar(1.5), doubles({0})), 10004},
        {"empty format number", args(ArrayPtr(allocVector(kInt32, 0)), doubles({0})), 10001},
        {"nested format", args(args(chars("DD")), doubles({0})), 10004},
        {"nested dates", args(intScalar(1), args(doubles({0}))), 10004},
        {"null", nullptr, 10004},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(codeOf(ArrayPtr(myDate(c.arg.get())).get()), c.code);
    }
}

}  // namespace
}  // namespace zrt
