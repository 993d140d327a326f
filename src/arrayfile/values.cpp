#include "arrayfile/values.h"

#include <cstring>

#include "arrayfile/copy.h"
#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"

namespace zrt {

namespace {

bool isMemoryItem(const ItemObject& item) { return (item.flags & kResidencyMask) == kInMemory; }

// Bytes that cells values of the item's kind take, in an item buffer or an APL array.
size_t valueBytes(const ItemObject& item, uint32_t cells) {
    return static_cast<size_t>(FileDataSize(item.flags, cells));
}

}  // namespace

Code ReadValues(ItemObject& item, Structure* selection, ArrayPtr& out) {
    NamedObject* array = ArrayOf(&item);
    if (!array) return kUnsuited;
    const Structure& s = selection ? *selection : StructureOf(array);
    ArrayPtr values;
    if (Code c = ResultArray(s, item.flags, values)) return c;
    if (!selection && isMemoryItem(item)) {
        size_t bytes = valueBytes(item, s.cells);
        if (bytes > item.buffer.size()) return kUnsuited;
        if (bytes) std::memcpy(dataOf(values.get()), item.buffer.data(), bytes);
    } else if (Code c = TransferCells(0, selection, dataOf(values.get()), item)) {
        return c;
    }
    out = std::move(values);
    return kOk;
}

Code WriteValues(ItemObject& item, Structure* selection, const APLArray* values) {
    NamedObject* array = ArrayOf(&item);
    if (!array) return kUnsuited;
    const Structure& s = selection ? *selection : StructureOf(array);
    ArrayPtr converted;
    if (CellKindOf(item.flags) == kDoubleCells)
        if (Code c = ToDoubles(values, converted, values)) return c;  // characters: 10004
    if (Code c = CheckData(s, values, item.flags)) return c;
    // A source's cells are only read: the caller's array is never written.
    uint8_t* data = const_cast<uint8_t*>(dataOf(values));
    if (!selection && isMemoryItem(item)) {
        size_t bytes = valueBytes(item, s.cells);
        if (bytes > item.buffer.size()) return kUnsuited;
        if (bytes) std::memcpy(item.buffer.data(), data, bytes);
        return kOk;
    }
    return TransferCells(1, selection, data, item);
}

}  // namespace zrt
