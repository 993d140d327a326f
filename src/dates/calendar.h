// Day numbers: a signed 32-bit count of days in which day 0 is Monday 1 January 1900 of the
// Gregorian calendar, applied without break to all years (day -1 is 31 December 1899).
//
// The conversions are exact for every day number, before the year 1 too (the proleptic
// calendar, with a year 0). Months, days and weeks outside their ranges are not refused: they
// count on into the months, years and weeks around. Dates to day numbers give 64 bits: the
// caller decides about a day number beyond 32 bits.
#pragma once

#include <cstdint>

namespace zrt {

struct YearMonthDay {
    int32_t year, month, day;  // month 1 to 12, day 1 to 31
};

// ISO 8601 week date: weeks start on Monday; week 1 holds the year's first Thursday.
struct YearWeekDay {
    int32_t year, week, weekday;  // week 1 to 53, weekday 1 Monday to 7 Sunday
};

YearMonthDay YmdOfDay(int32_t day);
int64_t DayOfYmd(int32_t year, int32_t month, int32_t day);
YearWeekDay YwdOfDay(int32_t day);
int64_t DayOfYwd(int32_t year, int32_t week, int32_t weekday);

// 0 Monday to 6 Sunday.
int32_t WeekdayOf(int32_t day);
// 1 for 1 January.
int32_t DayOfYear(int32_t day);

}  // namespace zrt
