// Array trees that the fast path builds whole: decoded from SCAR data or unpacked from a
// packed buffer.
//
// FreeArray leaves the prototype of an empty nested array alone (the interpreter's may point
// anywhere); in a tree built here the prototype was made here too, so it is released with
// the rest. The owner class is not consulted either: an unpacked block keeps the one its packed
// form carried, yet it is ours.
#pragma once

#include <cstdlib>
#include <memory>

#include "frame/array.h"

namespace zrt {

inline void FreeBuiltTree(APLArray* a) {
    if (!a) return;
    if (typeOf(a) == kNested)
        for (uint32_t k = 0, n = storedCount(a); k < n; ++k) FreeBuiltTree(slotAt(a, k));
    std::free(a);
}

struct BuiltTreeDeleter {
    void operator()(APLArray* a) const { FreeBuiltTree(a); }
};
using TreePtr = std::unique_ptr<APLArray, BuiltTreeDeleter>;

}  // namespace zrt
