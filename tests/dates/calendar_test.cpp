#include "dates/calendar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

namespace zrt {
namespace {

using namespace std::chrono;

// Day 0 is 1 January 1900; sys_days counts from 1 January 1970.
constexpr int32_t kEpochShift = -25567;

sys_days sysDaysOf(int32_t day) { return sys_days{days{day + kEpochShift}}; }

// ISO 8601 week date computed independently: the week's Thursday decides the year.
YearWeekDay isoWeekOf(sys_days d) {
    auto weekday = static_cast<int32_t>(std::chrono::weekday{d}.iso_encoding());
    sys_days thursday = d - days{weekday - 1} + days{3};
    year isoYear = year_month_day{thursday}.year();
    auto week = static_cast<int32_t>((thursday - sys_days{isoYear / January / 1}).count() / 7 + 1);
    return {static_cast<int32_t>(isoYear), week, weekday};
}

const int32_t kFirstDay = (sys_days{year{1} / January / 1} - sysDaysOf(0)).count();
const int32_t kLastDay = (sys_days{year{9999} / December / 31} - sysDaysOf(0)).count();

// Four million days: before 1900 the day numbers are negative, and weekdays and weeks must not
// shift there. The assertion macros are kept out of the loop.
TEST(Calendar, EveryDayOfTheYears1To9999MatchesTheProlepticGregorianCalendarAndIsoWeeks) {
    for (int32_t day = kFirstDay; day <= kLastDay; ++day) {
        year_month_day expected{sysDaysOf(day)};
        YearMonthDay got = YmdOfDay(day);
        int32_t dayOfYear = (sysDaysOf(day) - sys_days{expected.year() / January / 1}).count() + 1;
        if (got.year != static_cast<int32_t>(expected.year()) ||
            got.month != static_cast<int32_t>(unsigned(expected.month())) ||
            got.day != static_cast<int32_t>(unsigned(expected.day())) ||
            DayOfYmd(got.year, got.month, got.day) != day || DayOfYear(day) != dayOfYear) {
            FAIL() << "day " << day << " gives " << got.year << "-" << got.month << "-" << got.day;
        }
        if (day < kFirstDay + 7 || day > kLastDay - 7) continue;  // ISO years 0 and 10000
        YearWeekDay week = YwdOfDay(day), iso = isoWeekOf(sysDaysOf(day));
        if (week.year != iso.year || week.week != iso.week || week.weekday != iso.weekday ||
            DayOfYwd(week.year, week.week, week.weekday) != day) {
            FAIL() << "day " << day << " gives " << week.year << "-W" << week.week << "-"
                   << week.weekday;
        }
    }
}

TEST(Calendar, OutOfRangePartsFollowTheFormulasWithoutOverflow) {
    // Month 13 of 1999 is January 2000; day 0 is the last of the month before.
    EXPECT_EQ(DayOfYmd(1999, 13, 1), DayOfYmd(2000, 1, 1));
    EXPECT_EQ(DayOfYmd(2000, 3, 0), DayOfYmd(2000, 2, 29));
    EXPECT_EQ(DayOfYwd(2009, 54, 1), DayOfYwd(2010, 1, 1));
    EXPECT_EQ(DayOfYmd(2000, -11, 1), DayOfYmd(1999, 1, 1));
    // Extremes must not overflow (the sanitizer build checks), and every day number is a real
    // date of the proleptic calendar that converts back.
    for (int32_t v : {INT32_MIN, -1000000000, -693597, INT32_MAX}) {
        SCOPED_TRACE(v);
        YmdOfDay(v), YwdOfDay(v), DayOfYear(v), DayOfYmd(v, v, v), DayOfYwd(v, v, v);
        YearMonthDay d = YmdOfDay(v);
        EXPECT_TRUE(d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= 31);
        EXPECT_EQ(DayOfYmd(d.year, d.month, d.day), v);
        YearWeekDay w = YwdOfDay(v);
        EXPECT_EQ(DayOfYwd(w.year, w.week, w.weekday), v);
    }
}

}  // namespace
}  // namespace zrt
