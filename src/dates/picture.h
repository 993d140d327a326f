// Date pictures: a format text of tokens (YYYY, MON, DD, HR, ...) and other characters, read
// once and then printed for each date.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zrt {

// A printed date is cut to this many characters.
constexpr size_t kMaxDateText = 255;

// What the tokens print of a date value (a day number whose fraction is the time of day).
struct DateFields {
    int32_t year, month, day;  // of the calendar
    int32_t dayOfYear;         // 1 for 1 January
    int32_t weekday;           // 0 Sunday to 6 Saturday
    int32_t hour, minute, second;
};

// Values below 0 and non-numbers count as 0, values from 10000000 up as 10000000. The seconds
// of the time are whole: the fraction is dropped, except that a time within ten microseconds
// below a whole second counts as that second.
DateFields FieldsOfValue(double value);

// The format of picture number 1 to 36, or null.
const char* NumberedFormat(int32_t number);

// Upper-casing of the "C" locale, whatever locale the process runs in: a to z become A to Z;
// every other byte, those from 128 up included, stays as it is.
void UpperCaseAscii(std::string& text);

// What a piece of a picture prints; the tokens are listed where the picture is read.
enum class DateToken : uint8_t;

class Picture {
public:
    // At each letter (A to Z, a to z) the first token of the table that matches the text there,
    // case counting, is taken; every other character is copied.
    explicit Picture(std::string_view format);

    // Replaces out with the text of one date.
    void print(const DateFields& fields, std::string& out) const;

private:
    struct Piece {
        DateToken token;
        char literal;  // for a copied character
    };
    std::vector<Piece> pieces_;
};

}  // namespace zrt
