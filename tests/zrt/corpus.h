// Arrays of every type, rank and nesting that the notation and the block layout must carry:
// empties, single elements, types wider than their values need, characters of every byte,
// prototypes, deep nesting.
#pragma once

#include <vector>

#include "notation/value.h"

namespace zrt::host::test {

std::vector<Value> corpus();

}  // namespace zrt::host::test
