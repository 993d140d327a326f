// Delimited text read block by block from the caller's classic file handle: the blocks, their
// lines and the fields of a line.
//
// A line ends with a carriage return. The line feed of a CR LF pair stays at the start of the
// next line, where it is ignored; line feeds alone do not end lines.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "frame/codes.h"
#include "platform/platform.h"

namespace zrt {

// A line holds at most this many fields.
constexpr uint32_t kMaxFields = 1022;

struct Block {
    std::unique_ptr<char[]> data;
    uint32_t length = 0;
    bool last = false;  // fewer bytes came than were asked for: the end of the file
    std::string_view text() const { return {data.get(), length}; }
};

// Reads up to blockSize - 1 bytes (blockSize at least 2) from the handle's current position.
// A read error gives 10039; reading nothing at the end of the file is not an error here.
[[nodiscard]] Code ReadBlock(platform::ClassicHandle handle, uint32_t blockSize, Block& block);

// The lines that end with a carriage return (the CR not included), and the text after the last
// one, which is a line only at the end of the file.
struct Lines {
    std::vector<std::string_view> complete;
    std::string_view rest;
};
void SplitLines(std::string_view text, Lines& lines);

// The fields of one line, as DllSep cuts them. Outside quotes the separator ends a field; a
// quote toggles quoting and is dropped, except that of two adjacent quotes the second, met
// outside quoting, stands for one quote; line feeds are dropped. The last character of the
// line is taken only when it is none of quote, separator and line feed, so that a trailing
// separator opens no further field. An empty line has no fields.
class FieldSplitter {
public:
    FieldSplitter(char quote, char separator) : quote_(quote), separator_(separator) {}
    // False when the line holds more than kMaxFields fields.
    bool split(std::string_view line);
    uint32_t count() const { return static_cast<uint32_t>(ends_.size()); }
    std::string_view field(uint32_t i) const;  // counting from 0

private:
    char quote_, separator_;
    std::string text_;            // the fields' characters, one after another
    std::vector<uint32_t> ends_;  // where each field ends in text_
};

// The number of fields of a line as DllCntCols counts them: a trailing line feed and then a
// trailing carriage return dropped, an empty line has 1; otherwise 1, plus 1 for each separator
// outside quotes before the last character (the first character is always looked at).
int32_t CountFields(std::string_view line, char quote, char separator);

}  // namespace zrt
