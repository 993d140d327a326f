#include "dates/calendar.h"

namespace zrt {

namespace {

// The remainder that is never negative: weeks must also come out right before 1900, where
// day numbers are negative and a truncating remainder would move Monday.
int64_t floorMod7(int64_t n) {
    int64_t r = n % 7;
    return r < 0 ? r + 7 : r;
}

// The day number of a date, before it is cut to 32 bits. March is the first month of the
// counting year, so that the leap day falls at its end: 3060 hundredths of a day span the
// ten months March to December, 146097 days four centuries, 1461 days four years.
int64_t dayOf(int64_t year, int64_t month, int64_t day) {
    int64_t y = month < 3 ? year - 1 : year;
    return ((((month + 9) % 12) * 3060 + 100 * day + 41) / 100) + (((y / 100) * 146097) >> 2) +
           (((y % 100) * 1461) >> 2) - 693902;
}

// The Monday of week 1 of an ISO year: the Monday on or before 1 January when that is a
// Monday to Thursday, else the Monday after it.
int64_t week1Monday(int64_t year) {
    int64_t jan1 = dayOf(year, 1, 1);
    int64_t r = floorMod7(jan1);
    return jan1 - r + (r >= 4 ? 7 : 0);
}

}  // namespace

YearMonthDay YmdOfDay(int32_t day) {
    // The inverse of dayOf: centuries c, then years y within the century, then the month m of
    // the counting year (0 March to 11 February) from h, the day of that year in hundredths.
    int64_t a = 4 * int64_t(day) + 2775607;
    int64_t c = a / 146097;
    int64_t t = (a - 146097 * c) & ~int64_t(3);
    int64_t y = (t + 3) / 1461;
    int64_t h = ((t - 1461 * y + 7) >> 2) * 100;
    int64_t m = (h - 59) / 3060;
    return {static_cast<int32_t>(100 * c + y + (m >= 10 ? 1 : 0)),
            static_cast<int32_t>((m + 2) % 12 + 1),
            static_cast<int32_t>((h - 3060 * m + 41) / 100)};
}

int32_t DayOfYmd(int32_t year, int32_t month, int32_t day) {
    return static_cast<int32_t>(dayOf(year, month, day));
}

YearWeekDay YwdOfDay(int32_t day) {
    int64_t year = YmdOfDay(day).year;
    int64_t w = floorMod7(day);
    auto weekday = static_cast<int32_t>(w + 1);
    int64_t monday = day - w;
    if (dayOf(year + 1, 1, 1) - monday < 4)
        return {static_cast<int32_t>(year + 1), 1, weekday};
    int64_t w1 = week1Monday(year);
    if (monday >= w1)
        return {static_cast<int32_t>(year), static_cast<int32_t>((monday - w1) / 7 + 1), weekday};
    // The last week of the year before: week 53 when that year has 53 weeks, which is when
    // this year's week 1 begins 368 days or more after the 1 January before.
    int32_t last = (w1 - dayOf(year - 1, 1, 1) - 364 >= 4) ? 53 : 52;
    return {static_cast<int32_t>(year - 1), last, weekday};
}

int32_t DayOfYwd(int32_t year, int32_t week, int32_t weekday) {
    return static_cast<int32_t>(7 * int64_t(week) + weekday + week1Monday(year) - 8);
}

int32_t WeekdayOf(int32_t day) { return static_cast<int32_t>(floorMod7(day)); }

int32_t DayOfYear(int32_t day) {
    return static_cast<int32_t>(int64_t(day) - dayOf(YmdOfDay(day).year, 1, 1) + 1);
}

}  // namespace zrt
