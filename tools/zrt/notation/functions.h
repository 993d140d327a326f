// The functions of the literal notation. Each throws HostError, with the column of the
// function, when its argument does not suit it.
#pragma once

#include <cstdint>
#include <string>

#include "notation/value.h"

namespace zrt::host {

// , (ravel)  ⊂ (enclose)  ⎕UCS (bytes to characters and back)  bool int8 int16 int32 double
// (the numbers of a simple numeric array in that type).
Value applyMonadic(const std::string& name, Value right, uint32_t column);
// left , right: two scalars or vectors of characters, or of numbers, joined into one vector
// (numbers take the wider of the two types).
Value catenate(const Value& left, const Value& right, uint32_t column);
// shape ⍴ values: the items of values in row-major order, repeated to fill the shape.
Value reshape(const Value& shape, const Value& values, uint32_t column);

// Refuses a literal of more than kMaxLiteralElements elements (Value::elements), at column.
void checkLiteralSize(uint64_t elements, uint32_t column);

}  // namespace zrt::host
