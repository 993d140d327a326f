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
using test::ints;

// A one-element vector of a narrow integer type holding these bits.
ArrayPtr narrow(uint32_t type, uint16_t bits) {
    ArrayPtr a(AllocVector(type, 1));
    std::memcpy(dataOf(a.get()), &bits, type == kInt8 ? 1 : 2);
    return a;
}

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
        {"int8 sign-extended", narrow(kInt8, 0xFE), 0, kOk, -2},
        {"int16 sign-extended", narrow(kInt16, uint16_t(-300)), 0, kOk, -300},
        {"index past the end", ints({1, 2}), 2, kRange, 0},
        {"enclosed 7 in a one-item vector", args(args(test::intScalar(7))), 0, kOk, 7},
        {"two-item vector", args(ints({1, 2})), 0, kRange, 0},
        {"no array", nullptr, 0, kBadType, 0},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        int32_t out = 12345;
        EXPECT_EQ(GetItemInt(c.array.get(), c.index, out), c.code);
        EXPECT_EQ(out, c.code == kOk ? c.value : 12345);  // untouched on failure
    }
}

TEST(GetItemString, TextNumbersAndBufferLimits) {
    char buffer[8];
    ArrayPtr text = args(test::doubleScalar(1.5), args(chars("abc"), chars("zz")));
    EXPECT_EQ(GetItemString(text.get(), 1, buffer, 3), kRange);  // no room for the NUL
    EXPECT_EQ(GetItemString(text.get(), 1, buffer, 4), kOk);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(GetItemString(text.get(), 0, buffer, sizeof buffer), kOk);
    EXPECT_STREQ(buffer, "1.5");
    // "%G" is cut to the buffer, never written past it.
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(GetItemString(doubles({-1.234567e-300}).get(), 0, small, 3), kOk);
    EXPECT_EQ(small[3], 'x');

    uint32_t length = 0;  // GetItemChars needs no room for a NUL; it digs through first slots
    EXPECT_EQ(GetItemChars(text.get(), 1, buffer, 3), kOk);
    EXPECT_EQ(std::string(buffer, 3), "abc");
    EXPECT_EQ(GetItemChars(text.get(), 1, buffer, 2), kRange);
    EXPECT_EQ(GetItemLength(text.get(), 1, length), kOk);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(GetItemLength(args(ints({1})).get(), 0, length), kBadType);
}

TEST(SetItemString, PadsWithFourAndTranslates) {
    ArrayPtr target = chars("zzzzz");
    ASSERT_EQ(SetItemString(target.get(), 0, "AB", 2), kOk);
    EXPECT_EQ(test::textOf(target.get()), std::string("AB\4\4\4"));
    EXPECT_EQ(SetItemString(target.get(), 0, "ABCDEFG", 7), kRange);
    EXPECT_EQ(SetItemChars(target.get(), 0, "xy", 2), kRange);  // the exact length only
    EXPECT_EQ(SetItemChars(ints({1}).get(), 0, "x", 1), kBadType);

    // Inverse tables: what goes in with SetItemString comes back with GetItemString; into a
    // slot of a nested array it goes as a new character vector.
    XlateTable savedToAPL = HostToAPL, savedToHost = APLToHost;
    for (int b = 0; b < 256; ++b) HostToAPL[b] = APLToHost[b] = static_cast<uint8_t>(255 - b);
    ArrayPtr slots(AllocVector(kNested, 1));
    ASSERT_EQ(SetItemString(slots.get(), 0, "hello", 5), kOk);
    EXPECT_NE(test::textOf(slotAt(slots.get(), 0)), "hello");
    char back[8];
    EXPECT_EQ(GetItemString(slots.get(), 0, back, sizeof back), kOk);
    EXPECT_STREQ(back, "hello");
    HostToAPL = savedToAPL;
    APLToHost = savedToHost;
}

}  // namespace
}  // namespace zrt
