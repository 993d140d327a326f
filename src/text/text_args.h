// Argument checks shared by the text-matrix utilities.
#pragma once

#include <cstdint>
#include <string_view>

#include "frame/args.h"

namespace zrt {

// The argument is a nested vector of exactly count items, none of them missing.
bool IsNestedVector(const APLArray* arg, uint32_t count);

// Item i is a simple number (or a one-element numeric array) holding a whole 32-bit integer.
[[nodiscard]] Code IntegerOf(const APLArray* arg, uint32_t i, int32_t& value);

// Item i is a character array of exactly two characters: (quote, separator) or the two
// wildcards.
[[nodiscard]] Code CharPairOf(const APLArray* arg, uint32_t i, char pair[2]);

// The characters of a block that stands for a string: a character array of any rank, or an
// empty array of any simple type (an empty vector of numbers is an empty string too).
bool TextOf(const APLArray* block, std::string_view& text);

}  // namespace zrt
