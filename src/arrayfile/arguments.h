// Reading the arguments of the array exports: how many items an argument holds and its texts.
#pragma once

#include <cstdint>
#include <string>

#include "frame/array.h"
#include "frame/codes.h"

namespace zrt {

// The number of items: of a nested vector its length, of a character vector 1 (the one
// string), of a simple numeric vector its elements.
uint32_t ArgumentCount(const APLArray* arg);

// Item i as text (translated to host characters); the accessors' codes when it is not.
[[nodiscard]] Code TextOf(const APLArray* arg, uint32_t i, std::string& out);

// Item i as an object name: 10004 when it is missing or not text.
[[nodiscard]] Code NameOf(const APLArray* arg, uint32_t i, std::string& out);

}  // namespace zrt
