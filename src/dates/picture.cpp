#include "dates/picture.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "dates/calendar.h"
#include "dates/names.h"

namespace zrt {

enum class DateToken : uint8_t {
    Literal,
    Year,         // YYYY  "%4d"
    ShortYear,    // YY    year mod 100, "%02d"
    Month,        // MM    "%02d"
    MonthName,    // MONTH long month name
    MonthAbbrev,  // MON   short month name, at most 3 characters
    YearDay,      // DDD   day of the year, "%03d"
    Day,          // DD    "%02d"
    WeekdayName,  // WEEKDAY long day name
    DayAbbrev,    // DAY   short day name, at most 3 characters
    Hour,         // HR    "%02d"
    Minute,       // MN    "%02d"
    Quarter,      // QR    "%d"
    Second,       // SC    "%02d"
    Period,       // PP    28-day period, "%02d"
    PlainDay,     // DX    "%d"
    Suffix,       // SX    ordinal suffix of the day
};

namespace {

struct TokenText {
    std::string_view text;
    DateToken token;
};

// In the order they are tried: the first that matches wins (YYYY before YY, MONTH before MON,
// DDD before DD).
constexpr TokenText kTokens[] = {
    {"YYYY", DateToken::Year},          {"YY", DateToken::ShortYear},
    {"MM", DateToken::Month},           {"MONTH", DateToken::MonthName},
    {"MON", DateToken::MonthAbbrev},    {"DDD", DateToken::YearDay},
    {"DD", DateToken::Day},             {"WEEKDAY", DateToken::WeekdayName},
    {"DAY", DateToken::DayAbbrev},      {"HR", DateToken::Hour},
    {"MN", DateToken::Minute},          {"QR", DateToken::Quarter},
    {"SC", DateToken::Second},          {"PP", DateToken::Period},
    {"DX", DateToken::PlainDay},        {"SX", DateToken::Suffix},
};

// The numbered pictures, used exactly as listed (the q of 9 is no token and is copied).
constexpr const char* kNumbered[36] = {
    "DD/MM/YY", "DD.MM.YY", "MM/DD/YY", "MM.DD.YY",                 // 1-4
    "DD/MM", "DD.MM", "MM/DD", "MM.DD",                             // 5-8
    "QRqYY", "MON YY", "YYMM", "MON-YY",                            // 9-12
    "YYPP", "YY-QR", "YYYY", "DD-MON-YY",                           // 13-16
    "DD MON YY", "DAY", "WEEKDAY", "DAY DD-MON-YY",                 // 17-20
    "YY-MM-DD", "YYYY-MM-DD", "YYMMDD", "YYYYMMDD",                 // 21-24
    "HR:MN", "DAY DD-MON-YY HR:MN", "DAY DD-MON-YYYY HR:MN",        // 25-27
    "WEEKDAY, DXSX MONTH YYYY, HR:MN", "DD-MM-YYYY", "MM-DD-YYYY",  // 28-30
    "DDMMYYYY", "MMDDYYYY", "DD/MM/YYYY",                           // 31-33
    "MM/DD/YYYY", "DD.MM.YYYY", "MM.DD.YYYY",                       // 34-36
};

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The number right-aligned in width characters, filled on the left (as "%0Nd" or "%Nd"); a
// longer number is printed whole.
void appendNumber(std::string& out, int32_t value, size_t width, char fill) {
    char digits[12];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    auto length = static_cast<size_t>(end - digits);
    if (length < width) out.append(width - length, fill);
    out.append(digits, length);
}

std::string_view ordinalSuffix(int32_t day) {
    if (day >= 4 && day <= 19) return "th";
    switch (day % 10) {
    case 1: return "st";
    case 2: return "nd";
    case 3: return "rd";
    default: return "th";
    }
}

void appendField(DateToken token, const DateFields& f, std::string& out) {
    switch (token) {
    case DateToken::Literal: break;
    case DateToken::Year: appendNumber(out, f.year, 4, ' '); break;
    case DateToken::ShortYear: appendNumber(out, f.year % 100, 2, '0'); break;
    case DateToken::Month: appendNumber(out, f.month, 2, '0'); break;
    case DateToken::MonthName: out += MonthName(true, f.month); break;
    case DateToken::MonthAbbrev: out += MonthName(false, f.month).substr(0, 3); break;
    case DateToken::YearDay: appendNumber(out, f.dayOfYear, 3, '0'); break;
    case DateToken::Day: appendNumber(out, f.day, 2, '0'); break;
    case DateToken::WeekdayName: out += DayName(true, f.weekday); break;
    case DateToken::DayAbbrev: out += DayName(false, f.weekday).substr(0, 3); break;
    case DateToken::Hour: appendNumber(out, f.hour, 2, '0'); break;
    case DateToken::Minute: appendNumber(out, f.minute, 2, '0'); break;
    case DateToken::Quarter: appendNumber(out, (f.month - 1) / 3 + 1, 0, '0'); break;
    case DateToken::Second: appendNumber(out, f.second, 2, '0'); break;
    case DateToken::Period: appendNumber(out, (f.dayOfYear + 1) / 28 + 1, 2, '0'); break;
    case DateToken::PlainDay: appendNumber(out, f.day, 0, '0'); break;
    case DateToken::Suffix: out += ordinalSuffix(f.day); break;
    }
}

}  // namespace

DateFields FieldsOfValue(double value) {
    if (!(value >= 0)) value = 0;  // NaN included
    if (value >= 10000000) value = 10000000;
    auto day = static_cast<int32_t>(value);
    // A time within ten microseconds below a whole second is that second: date values that APL
    // code computes as day + (h×3600 + m×60 + s) ÷ 86400 come back a hair short, and the 80-bit
    // arithmetic of 32-bit x86 would otherwise drop other seconds than the 64-bit build.
    auto seconds = static_cast<int32_t>(std::floor((value - day) * 86400 + 1e-5));
    seconds = std::min(seconds, 86399);
    YearMonthDay ymd = YmdOfDay(day);
    return {.year = ymd.year,
            .month = ymd.month,
            .day = ymd.day,
            .dayOfYear = DayOfYear(day),
            .weekday = (day + 1) % 7,  // 0 Sunday: day 0 was a Monday
            .hour = seconds / 3600,
            .minute = seconds % 3600 / 60,
            .second = seconds % 60};
}

const char* NumberedFormat(int32_t number) {
    return number >= 1 && number <= 36 ? kNumbered[number - 1] : nullptr;
}

void UpperCaseAscii(std::string& text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

Picture::Picture(std::string_view format) {
    size_t at = 0;
    while (at < format.size()) {
        const TokenText* match = nullptr;
        if (isLetter(format[at]))
            for (const TokenText& t : kTokens)
                if (format.substr(at, t.text.size()) == t.text) {
                    match = &t;
                    break;
                }
        if (match) {
            pieces_.push_back({match->token, 0});
            at += match->text.size();
        } else {
            pieces_.push_back({DateToken::Literal, format[at]});
            ++at;
        }
    }
}

void Picture::print(const DateFields& fields, std::string& out) const {
    out.clear();
    for (const Piece& p : pieces_) {
        if (out.size() >= kMaxDateText) break;
        if (p.token == DateToken::Literal) out += p.literal;
        else appendField(p.token, fields, out);
    }
    if (out.size() > kMaxDateText) out.resize(kMaxDateText);
}

}  // namespace zrt
