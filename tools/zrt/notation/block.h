// Values as the interpreter's array blocks, and back: the host lays out its arguments with the
// library's own layout helpers, and reads the library's results through the same.
#pragma once

#include <memory>

#include "notation/value.h"

namespace zrt::host {

// A new block tree for v, allocated with std::malloc, every block with owner class 0 (the
// interpreter's: the library never frees it). An empty nested array gets its prototype.
APLArray* makeBlock(const Value& v);
// Releases a block tree made by makeBlock, prototypes included.
void freeHostBlock(APLArray* a);

struct HostBlockDeleter {
    void operator()(APLArray* a) const { freeHostBlock(a); }
};
using HostBlock = std::unique_ptr<APLArray, HostBlockDeleter>;

// The value of a block tree, after checking every header against the layout (type, size in
// words, items present, depth). Throws HostError describing the first fault found. An empty
// prototype slot reads as ⍬.
Value readBlock(const APLArray* a);

// Releases a result tree as the interpreter does: every block the library made (owner class 7
// or 15) with std::free, nested items and the prototype of an empty nested array included.
// A block of another owner is not the library's and is left alone with all it holds.
void freeResultBlock(APLArray* a);

}  // namespace zrt::host
