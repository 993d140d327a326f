// myDate as the interpreter calls it: the argument's forms and codes (the golden script holds
// numbered and written pictures, dates of any rank and no dates).
#include <gtest/gtest.h>

#include "frame/args.h"
#include "support/arrays.h"
#include "zrt32.h"

namespace zrt {
namespace {

using namespace test;

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
        {"format 0", args(intScalar(0), doubles({0})), 10004},
        {"format 1.5", args(doubleScalar(1.5), doubles({0})), 10004},
        {"empty format number", args(ArrayPtr(allocVector(kInt32, 0)), doubles({0})), 10001},
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
