// Writes arrays in the literal notation, so that what is printed parses back to an equal array
// of the same types: the type of a numeric array is named where the narrowest type would not
// give it back (int32 ,0), character data outside the printable range is written with ⎕UCS.
#pragma once

#include <string>
#include <string_view>

#include "notation/value.h"

namespace zrt::host {

std::string printValue(const Value& v);
// The shortest text that reads back as exactly v: ¯ for minus, E before the exponent, ∞, NaN.
std::string formatNumber(double v);
// The bytes between quotes, a quote doubled, bytes 128-255 as the characters U+0080-U+00FF.
std::string quoteString(std::string_view bytes);
// Whether the byte is a control character (0-31, 127-159), which is printed only with ⎕UCS.
bool isControlByte(unsigned char c);

}  // namespace zrt::host
