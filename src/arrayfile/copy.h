// Copying cells between items, and between an item and a flat buffer, through cell walks.
#pragma once

#include <cstdint>

#include "arrayfile/operand.h"
#include "arrayfile/structure.h"
#include "frame/codes.h"

namespace zrt {

struct ItemObject;

// The copy loop: every cell of the target receives a cell of the source unchanged (the
// target is not read). Nothing is done when the source offers no cells, or is a constant and
// the target offers none. The source's step count must be 1 or the target's, else 10001; its
// cells must be of the target's type, else 10015. Both walks are begun and ended here, the
// loop runs under the fault guard (10039); the operands are neither released nor disposed of.
[[nodiscard]] Code CopyLoop(Operand& target, Operand& source);

// Copies the source item's cells into the destination item's, each item walked through its
// selection (the whole item when it is null). The selections stay the caller's.
[[nodiscard]] Code CopyCells(Structure* destinationSelection, ItemObject& destination,
               Structure* sourceSelection, ItemObject& source);

// Between an item's cells and a flat buffer of as many cells, of the item's cell type: with
// direction 0 the item's cells walked through the selection (the whole item in cell order when
// it is null) go to buffer elements 0, 1, 2, ...; with any other direction the buffer's
// elements go to those cells.
[[nodiscard]] Code TransferCells(uint32_t direction, Structure* selection, uint8_t* buffer, ItemObject& item);

}  // namespace zrt
