// The values of an item as an APL array: read out whole or through a selection, and written
// in. These are the bodies of Get and Put, and of the initial values of a new memory item.
#pragma once

#include "arrayfile/structure.h"
#include "frame/array.h"
#include "frame/codes.h"

namespace zrt {

struct ItemObject;

// A new array of the item's values (doubles or Booleans), one axis per dimension of the
// selection (or of the item's array) that is not fixed, cells in row-major order of the
// selection's ids. Without a selection the whole item in cell order.
[[nodiscard]] Code ReadValues(ItemObject& item, Structure* selection, ArrayPtr& out);

// Writes values into the item's cells in the same order: numeric values for a double item
// (converted to doubles; anything else 10012), Boolean ones for a bit item, exactly as many
// as the selection has cells (else 10004); the shape is not looked at. File cells are written
// through the tolerant double put.
[[nodiscard]] Code WriteValues(ItemObject& item, Structure* selection, const APLArray* values);

}  // namespace zrt
