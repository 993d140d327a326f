#include "dates/calendar.h"

namespace zrt {

namespace {

// Quotient and remainder rounded down, so that the formulas hold for negative day numbers and
// years too: weekdays must not shift before 1900, nor months before the year 1.
int64_t floorDiv(int64_t n, int64_t d) { return n / d - (n % d < 0 ? 1 : 0); }
int64_t floorMod(int64_t n, int64_t d) { return n - d * floorDiv(n, d); }
int64_t floorMod7(int64_t n) { return floorMod(n, 7); }

// Day 0, 1 January 1900, counted from 1 March of the year 0.
constexpr int64_t kDayZero = 693901;

// The day number of a date, before it is cut to 32 bits. March is the first month of the
// counting year, so that the leap day falls at its end; 146097 days are four centuries, and
// (153 m + 2) / 5 is the first day of month m (0 March to 11 February) in its counting year.
// A month outside 1-12 counts on into the years around; a day outside the month counts on too.
int64_t dayOf(int64_t year, int64_t month, int64_t day) {
    year += floorDiv(month - 1, 12);
    month = floorMod(month - 1, 12) + 1;
    const int64_t m = month > 2 ? month - 3 : month + 9;  // 0 March ... 11 February
    const int64_t y = month > 2 ? year : year - 1;
    const int64_t era = floorDiv(y, 400), yearOfEra = y - 400 * era;
    const int64_t dayOfYear = (153 * m + 2) / 5 + day - 1;
    const int64_t dayOfEra = 365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return 146097 * era + dayOfEra - kDayZero;
}

// The Monday of week 1 of an ISO year: the Monday on or before 1 January when that is a
// Monday to Thursday, else the Monday after it.
int64_t week1Monday(int64_t year) {
    int64_t jan1 = dayOf(year, 1, 1);
    int64_t r = floorMod7(jan1);
    return jan1 - r + (r >= 4 ? 7 : 0);
}

}  // namespace

// The inverse of dayOf: the era of four centuries, the year of the era, the day of the
// counting year, its month.
YearMonthDay YmdOfDay(int32_t day) {
    const int64_t z = int64_t(day) + kDayZero;
    const int64_t era = floorDiv(z, 146097), dayOfEra = z - 146097 * era;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t m = (5 * dayOfYear + 2) / 153;  // 0 March ... 11 February
    const int64_t month = m < 10 ? m + 3 : m - 9;
    return {static_cast<int32_t>(400 * era + yearOfEra + (month <= 2 ? 1 : 0)),
            static_cast<int32_t>(month),
            static_cast<int32_t>(dayOfYear - (153 * m + 2) / 5 + 1)};
}

int64_t DayOfYmd(int32_t year, int32_t month, int32_t day) { return dayOf(year, month, day); }

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

int64_t DayOfYwd(int32_t year, int32_t week, int32_t weekday) {
    return 7 * int64_t(week) + weekday + week1Monday(year) - 8;
}

int32_t WeekdayOf(int32_t day) { return static_cast<int32_t>(floorMod7(day)); }

int32_t DayOfYear(int32_t day) {
    return static_cast<int32_t>(int64_t(day) - dayOf(YmdOfDay(day).year, 1, 1) + 1);
}

}  // namespace zrt
