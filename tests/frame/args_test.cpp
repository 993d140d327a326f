#include "frame/args.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "frame/xlate.h"
#include "support/arrays.h"

namespace zrt {
namespace {

using test::args;
using test::chars;
using test::doubles;
using test::intScalar;
using test::ints;

TEST(GetItemInt, ConvertsWholeNumbersAndRefusesTheRest) {
    struct Case {
        const char* name;
        ArrayPtr array;
        uint32_t index;
        Code code;
        int32_t value;
    };
    Case cases[] = {
        {"double 3.5", doubles({3.5}), 0, kBadType, 0},
        {"double 2^31", doubles({2147483648.0}), 0, kBadType, 0},
        {"double -2^31", doubles({-2147483648.0}), 0, kOk, INT32_MIN},
        {"NaN", doubles({NAN}), 0, kBadType, 0},
        {"character", chars("a"), 0, kBadType, 0},
        {"index past the end", ints({1, 2}), 2, kRange, 0},
        {"enclosed 7 in a one-item vector", args(args(intScalar(7))), 0, kOk, 7},
        {"two-item vector", args(ints({1, 2})), 0, kRange, 0},
        {"nested item at 1", args(chars("x"), test::bools({1})), 1, kOk, 1},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t out = 12345;
        EXPECT_EQ(GetItemInt(c.array.get(), c.index, out), c.code);
        EXPECT_EQ(out, c.code == kOk ? c.value : 12345);  // untouched on failure
    }
    int32_t out;
    EXPECT_EQ(GetItemInt(nullptr, 0, out), kBadType);
}

TEST(GetItemInt, SignExtendsNarrowIntegers) {
    uint32_t one = 1;
    ArrayPtr i8(AllocArray(kInt8, 1, &one));
    dataOf(i8.get())[0] = 0xFE;
    ArrayPtr i16(AllocArray(kInt16, 1, &one));
    int16_t v16 = -300;
    std::memcpy(dataOf(i16.get()), &v16, 2);
    int32_t out;
    ASSERT_EQ(GetItemInt(i8.get(), 0, out), kOk);
    EXPECT_EQ(out, -2);
    ASSERT_EQ(GetItemInt(i16.get(), 0, out), kOk);
    EXPECT_EQ(out, -300);
}

TEST(GetItemString, TextNumbersAndBufferLimits) {
    char buffer[8];
    ArrayPtr text = args(test::doubleScalar(1.5), chars("abc"));
    EXPECT_EQ(GetItemString(text.get(), 1, buffer, sizeof buffer), kOk);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(GetItemString(text.get(), 2, buffer, sizeof buffer), kRange);
    EXPECT_EQ(GetItemString(text.get(), 1, buffer, 3), kRange);  // no room for the NUL
    EXPECT_EQ(GetItemString(text.get(), 1, buffer, 4), kOk);
    EXPECT_EQ(GetItemString(text.get(), 0, buffer, sizeof buffer), kOk);
    EXPECT_STREQ(buffer, "1.5");
    // "%G" is cut to the buffer, never written past it.
    ArrayPtr big = doubles({-1.234567e-300});
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(GetItemString(big.get(), 0, small, 3), kOk);
    EXPECT_EQ(small[3], 'x');
}

TEST(GetItemChars, AcceptsExactFitAndDigsThroughFirstSlots) {
    char buffer[3];
    uint32_t length = 0;
    ArrayPtr a = args(args(chars("abc"), chars("zz")));
    EXPECT_EQ(GetItemChars(a.get(), 0, buffer, 3), kOk);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(GetItemChars(a.get(), 0, buffer, 2), kRange);
    EXPECT_EQ(GetItemLength(a.get(), 0, length), kOk);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(GetItemLength(args(ints({1})).get(), 0, length), kBadType);
}

TEST(SetItemString, PadsWithFourAndTranslates) {
    ArrayPtr target = chars("zzzzz");
    ASSERT_EQ(SetItemString(target.get(), 0, "AB", 2), kOk);
    EXPECT_EQ(test::textOf(target.get()), std::string("AB\4\4\4"));
    EXPECT_EQ(SetItemString(target.get(), 0, "ABCDEFG", 7), kRange);
    EXPECT_EQ(SetItemChars(target.get(), 0, "xy", 2), kRange);  // the exact length only
    ArrayPtr numbers = ints({1});
    EXPECT_EQ(SetItemChars(numbers.get(), 0, "x", 1), kBadType);

    // Inverse tables: what goes in with SetItemString comes back with GetItemString.
    XlateTable savedToAPL = HostToAPL, savedToHost = APLToHost;
    for (int b = 0; b < 256; ++b) HostToAPL[b] = APLToHost[b] = static_cast<uint8_t>(255 - b);
    ArrayPtr holder(allocVector(kNested, 1));
    ASSERT_EQ(SetItemString(holder.get(), 0, "hello", 5), kOk);
    EXPECT_NE(test::textOf(slotAt(holder.get(), 0)), "hello");
    char back[8];
    EXPECT_EQ(GetItemString(holder.get(), 0, back, sizeof back), kOk);
    EXPECT_STREQ(back, "hello");
    HostToAPL = savedToAPL;
    APLToHost = savedToHost;
}

TEST(SetItemInt, StoresInPlaceOrAsANewScalar) {
    ArrayPtr simple = ints({0, 0});
    EXPECT_EQ(SetItemInt(simple.get(), 2, 1), kRange);
    EXPECT_EQ(SetItemInt(doubles({0}).get(), 0, 1), kBadType);
    ArrayPtr slots(allocVector(kNested, 2));
    EXPECT_EQ(SetItemDouble(slots.get(), 1, 2.5), kOk);
    EXPECT_EQ(test::numbersOf(slotAt(slots.get(), 1)), std::vector<double>{2.5});
}

}  // namespace
}  // namespace zrt
