// DateToYMD, DateToYWD, DateFromYMD, DateFromYWD: day numbers to and from calendar and ISO week
// triples, element by element over arrays of any rank. The triples lie along the last axis.
#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "dates/calendar.h"
#include "frame/export_bodies.h"
#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

namespace {

constexpr uint32_t kMaxRank = 15;
using Triple = std::array<int32_t, 3>;

// Elements are read as 32-bit integers: a simple numeric array, doubles only when whole.
bool holdsNumbers(const APLArray* a) { return a && isSimpleNumeric(typeOf(a)); }

void storeTriple(APLArray* out, uint32_t k, const Triple& t) {
    std::memcpy(dataOf(out) + 12 * uint64_t(k), t.data(), 12);
}

// An array of shape (argument shape, 3) of convert(day) for each day number.
template <class Convert>
Result toTriples(const APLArray* days, Convert convert) {
    if (!holdsNumbers(days)) return kBadType;
    uint32_t rank = rankOf(days);
    if (rank >= kMaxRank) return kRange;  // no room for the new axis
    uint32_t shape[kMaxRank];
    std::copy_n(shapeOf(days), rank, shape);
    shape[rank] = 3;
    ArrayPtr out(AllocArray(kInt32, rank + 1, shape));
    if (!out) return kNoMemory;
    for (uint32_t k = 0, n = cellCount(days); k < n; ++k) {
        int32_t day;
        if (Code c = GetItemInt(days, k, day)) return c;
        storeTriple(out.get(), k, convert(day));
    }
    return out;
}

// An array of the argument's shape without its last axis, which must be 3 long, of
// convert(a, b, c) for each triple; kRange for a day number beyond 32 bits.
template <class Convert>
Result fromTriples(const APLArray* triples, Convert convert) {
    if (!holdsNumbers(triples) || rankOf(triples) == 0) return kBadType;
    uint32_t rank = rankOf(triples) - 1;
    if (shapeOf(triples)[rank] != 3) return kRange;
    ArrayPtr out(AllocArray(kInt32, rank, shapeOf(triples)));
    if (!out) return kNoMemory;
    for (uint32_t k = 0, n = cellCount(out.get()); k < n; ++k) {
        Triple t;
        for (uint32_t j = 0; j < 3; ++j)
            if (Code c = GetItemInt(triples, 3 * k + j, t[j])) return c;
        int64_t exact = convert(t[0], t[1], t[2]);
        if (exact < INT32_MIN || exact > INT32_MAX) return kRange;
        setInt32At(dataOf(out.get()), k, static_cast<int32_t>(exact));
    }
    return out;
}

}  // namespace

// DateToYMD: day numbers to (year, month, day).
Result body::DateToYMD(const APLArray* arg) {
    return toTriples(arg, [](int32_t day) {
        YearMonthDay d = YmdOfDay(day);
        return Triple{d.year, d.month, d.day};
    });
}

// DateToYWD: day numbers to (ISO year, week, weekday).
Result body::DateToYWD(const APLArray* arg) {
    return toTriples(arg, [](int32_t day) {
        YearWeekDay d = YwdOfDay(day);
        return Triple{d.year, d.week, d.weekday};
    });
}

// DateFromYMD: (year, month, day) along the last axis to day numbers.
Result body::DateFromYMD(const APLArray* arg) { return fromTriples(arg, DayOfYmd); }

// DateFromYWD: (ISO year, week, weekday) along the last axis to day numbers.
Result body::DateFromYWD(const APLArray* arg) { return fromTriples(arg, DayOfYwd); }

}  // namespace zrt
