#include "fastpath/built_tree.h"

#include <cstdlib>

namespace zrt {

void FreeBuiltTree(APLArray* a) {
    if (!a) return;
    if (typeOf(a) == kNested)
        for (uint32_t k = 0, n = ElementCount(a); k < n; ++k) FreeBuiltTree(slotAt(a, k));
    std::free(a);
}

}  // namespace zrt
