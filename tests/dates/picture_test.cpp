#include "dates/picture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "dates/calendar.h"
#include "dates/names.h"
#include "zrt32.h"

namespace zrt {
namespace {

std::string print(std::string_view format, double value) {
    std::string out;
    Picture(format).print(FieldsOfValue(value), out);
    return out;
}

double on(int32_t year, int32_t month, int32_t day) { return DayOfYmd(year, month, day); }

// Friday 31 December 1999, 18:00:00.
constexpr double kEve = 36523.75;

TEST(Picture, EveryNumberedFormat) {
    const char* expected[36] = {
        "31/12/99", "31.12.99", "12/31/99", "12.31.99", "31/12", "31.12", "12/31", "12.31",
        "4q99", "Dec 99", "9912", "Dec-99", "9914", "99-4", "1999", "31-Dec-99", "31 Dec 99",
        "Fri", "Friday", "Fri 31-Dec-99", "99-12-31", "1999-12-31", "991231", "19991231",
        "18:00", "Fri 31-Dec-99 18:00", "Fri 31-Dec-1999 18:00",
        "Friday, 31st December 1999, 18:00", "31-12-1999", "12-31-1999", "31121999",
        "12311999", "31/12/1999", "12/31/1999", "31.12.1999", "12.31.1999",
    };
    for (int32_t n = 1; n <= 36; ++n) {
        SCOPED_TRACE(n);
        ASSERT_NE(NumberedFormat(n), nullptr);
        EXPECT_EQ(print(NumberedFormat(n), kEve), expected[n - 1]);
    }
}

// Values beyond the range are clamped to day 0 and day 10000000 (26 January 29279).
TEST(Picture, FieldsAtTheirBoundariesAndTokens) {
    const struct {
        const char* format;
        double value;
        const char* expected;
    } cases[] = {
        {"DDD", on(2000, 1, 1), "001"},  {"DDD", on(2000, 12, 31), "366"},
        {"PP", on(2000, 1, 26), "01"},   {"PP", on(2000, 1, 27), "02"},  // (26 + 1) div 28 + 1
        {"PP", on(2000, 12, 31), "14"},  {"QR", on(1999, 3, 31), "1"},
        {"HR:MN:SC", 0.5 + 0.999 / 86400, "12:00:00"},  // a millisecond short is short
        {"HR:MN:SC", 1 - 1e-15, "23:59:59"},
        {"DXSX", on(2000, 1, 3), "3rd"},   {"DXSX", on(2000, 1, 11), "11th"},
        {"DXSX", on(2000, 1, 21), "21st"}, {"DXSX", on(2000, 1, 12), "12th"},
        {"DD MONTH YYYY HR", -5, "01 January 1900 00"},
        {"DD MONTH YYYY HR", std::nan(""), "01 January 1900 00"},
        {"YYYY-MM-DD", 1e9, "29279-01-26"},  // a five-digit year is printed whole
        {"YYYY-MM-DD", 1e7 + 0.5, "29279-01-26"},
        {"--/ 12:", kEve, "--/ 12:"},  // no letters: copied unchanged
        {"Xyz DD", kEve, "Xyz 31"},    // letters that start no token are copied
        {"dd DD", kEve, "dd 31"},      // the picture itself is case-sensitive
        {"MMM", kEve, "12M"},          // MM first, then a lone M
        {"DDDD", kEve, "365D"},        // DDD, then a lone D
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.format) + " of " + std::to_string(c.value));
        EXPECT_EQ(print(c.format, c.value), c.expected);
    }
}

TEST(Picture, EverySecondOfADayComputedInFloatingPointPrintsAsItself) {
    for (int32_t s = 0; s < 86400; ++s) {
        DateFields f = FieldsOfValue(45000 + s / 86400.0);
        if (f.hour * 3600 + f.minute * 60 + f.second != s) FAIL() << "second " << s;
    }
}

TEST(Picture, OnlyAsciiLettersAreUpperCased) {
    std::string text = "dd mon yyyy \xE9\xE0\xFF z{";
    UpperCaseAscii(text);
    EXPECT_EQ(text, "DD MON YYYY \xE9\xE0\xFF Z{");
}

// Lists are set apart by their first character; extra and empty names are taken; too long
// short names are cut to three, and texts to 255 characters.
TEST(Picture, NameListsAndLongTexts) {
    ResetNames();
    ASSERT_EQ(DateInit(1, "/Januar/Februar/Marz/April/Mai/Juni/Juli/August/September/Oktober/November/Dezember/"), 0u);
    EXPECT_EQ(MonthName(true, 3), "Marz");
    EXPECT_EQ(MonthName(false, 1), "Jan");
    EXPECT_EQ(DateInit(3, "/Jan/Feb/Mar/Apr/May/Jun/Jul/Aug/Sep/Oct/Nov/Dec"), 10001u);  // unclosed
    ASSERT_EQ(DateInit(2, "/1/2/3/4/5/6/7/8/9/"), 0u);
    EXPECT_EQ(DayName(true, 6), "7");
    ASSERT_EQ(DateInit(4, "////////"), 0u);
    EXPECT_EQ(DayName(false, 3), "");
    ASSERT_EQ(DateInit(4, "/Sunday/Monday/Tuesday/Wednesday/Thursday/Friday/Saturday/"), 0u);
    EXPECT_EQ(print("DAY", kEve), "Fri");
    ResetNames();
    EXPECT_EQ(DayName(false, 0), "Sun");
    EXPECT_EQ(print(std::string(300, '-'), kEve), std::string(255, '-'));
    std::string months, decembers;
    for (int k = 0; k < 40; ++k) months += "MONTH", decembers += "December";
    EXPECT_EQ(print(months, kEve), decembers.substr(0, 255));
}

}  // namespace
}  // namespace zrt
