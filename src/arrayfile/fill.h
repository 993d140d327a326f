// Filling the memory arrays and items that New makes.
#pragma once

#include <cstdint>

#include "frame/array.h"
#include "frame/codes.h"

namespace zrt {

struct ArrayFileObject;
struct MemoryArrayObject;
struct ItemObject;

// A memory array cut out of an array file: its structure from the selection against the
// file's (the given slack, ids unchecked: ids the file lacks are kept), and a memory item
// "Data" holding the file's "Data" values for the cells both have, zeros elsewhere. A file
// without an item "Data" gives the array no item.
[[nodiscard]] Code CutFromFile(MemoryArrayObject& memory, ArrayFileObject& file, const APLArray* selection,
                 uint32_t slack);

// A new memory item's initial values, stored as Put stores values without a selection.
[[nodiscard]] Code StoreInitialValues(ItemObject& item, const APLArray* values);

}  // namespace zrt
