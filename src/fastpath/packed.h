// Packed arrays: an array tree laid out in one block without pointers, all words little-endian.
//
// A simple array (APLType 0-5) is its whole block with the first word raised by one. A nested
// array is its header alone (first word, descriptor word, shape), followed directly by the
// packed forms of its items in item order; an empty one is followed by its prototype. The
// first word of a nested header is the size that block has on a 32-bit target, plus one, so
// the bytes are the same on every target; unpacking sizes a nested block from its shape.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fastpath/built_tree.h"
#include "frame/codes.h"

namespace zrt {

// Unpacking recurses once per level of nesting.
constexpr uint32_t kMaxPackedDepth = 1000;

// The size in bytes of the packed tree at the start of a buffer of size bytes. kBadType when
// it holds APLType 7-15, runs past the buffer, or a simple block is smaller than its shape
// needs.
[[nodiscard]] Code PackedSize(const uint8_t* buffer, size_t size, uint32_t& out);

// A new array tree from the packed tree at the start of the buffer; the same checks as
// PackedSize, kNoMemory when a block cannot be had.
[[nodiscard]] Code Unpack(const uint8_t* buffer, size_t size, TreePtr& out);

// Words of the packed form of a; a null item slot (an unfilled prototype) packs as an empty
// vector.
uint64_t PackedWords(const APLArray* a);

// Writes the packed form of a at destination; returns the bytes written.
size_t Pack(const APLArray* a, uint8_t* destination);

}  // namespace zrt
