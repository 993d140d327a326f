// The array literal notation of the host: numbers, strings, ⍬, parentheses, strands, and the
// functions , ⊂ ⍴ ⎕UCS and the type names. See docs/host.md.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "notation/error.h"
#include "notation/value.h"

namespace zrt::host {

// The most elements one literal may make (reshape is the only way to ask for many).
constexpr uint64_t kMaxLiteralElements = uint64_t(1) << 24;

// The array written in line from byte offset start to the end of the line (a ⍝ starts a
// comment). Throws HostError with the column of the first mistake.
Value parseLiteral(std::string_view line, size_t start = 0);

// The arguments written in line from byte offset start: a sequence of items, each a number, a
// string, ⍬ or a parenthesised expression, taken one by one (no strand joins them).
struct Argument {
    Value value;
    uint32_t column;
};
std::vector<Argument> parseArguments(std::string_view line, size_t start = 0);

// The column (characters counted from 1) of byte offset in line.
uint32_t columnOf(std::string_view line, size_t offset);

}  // namespace zrt::host
