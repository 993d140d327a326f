// Reading the items of the nested argument and building result arrays.
//
// The argument is as a rule a nested vector whose item i is the call's i-th argument; a simple
// numeric vector supplies its elements as numeric items, a simple character vector one string
// at index 0. A numeric item may be enclosed to any depth as long as each level holds exactly
// one element. Every accessor returns 0 or a code and writes its outputs only on success.
#pragma once

#include <cstdint>
#include <memory>

#include "frame/array.h"
#include "frame/codes.h"

namespace zrt {

[[nodiscard]] Code GetItemInt(const APLArray* a, uint32_t i, int32_t& out);
[[nodiscard]] Code GetItemDouble(const APLArray* a, uint32_t i, double& out);
// The item as a NUL-terminated host string (translated); a number is written as by "%G".
[[nodiscard]] Code GetItemString(const APLArray* a, uint32_t i, char* buffer, uint32_t size);
// The characters of the item, untranslated and unterminated; size may equal the length.
[[nodiscard]] Code GetItemChars(const APLArray* a, uint32_t i, char* buffer, uint32_t size);
[[nodiscard]] Code GetItemLength(const APLArray* a, uint32_t i, uint32_t& out);
[[nodiscard]] Code GetItemArray(const APLArray* a, uint32_t i, APLArray*& out);

[[nodiscard]] Code SetItemInt(APLArray* a, uint32_t i, int32_t value);
[[nodiscard]] Code SetItemDouble(APLArray* a, uint32_t i, double value);
// n host characters, translated to APL; a longer character target is padded with bytes of 4.
[[nodiscard]] Code SetItemString(APLArray* a, uint32_t i, const char* source, uint32_t n);
[[nodiscard]] Code SetItemChars(APLArray* a, uint32_t i, const char* source, uint32_t n);
[[nodiscard]] Code SetItemArray(APLArray* a, uint32_t i, APLArray* p);

// A new string holding item i as text, or null (a numeric item has no length: null).
std::unique_ptr<char[]> DupItemString(const APLArray* a, uint32_t i);
std::unique_ptr<char[]> DupArgName(const APLArray* a);

// The one-element integer vector holding the code.
APLArray* CodeResult(Code code);
// (0, value) when the code is 0 and there is a value, else CodeResult. Takes the value.
APLArray* CodeOrResult(Code code, APLArray* value);

}  // namespace zrt
