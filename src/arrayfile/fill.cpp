#include "arrayfile/fill.h"

#include "arrayfile/copy.h"
#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "arrayfile/values.h"

namespace zrt {

Code CutFromFile(MemoryArrayObject& memory, ArrayFileObject& file, const APLArray* selection,
                 uint32_t slack) {
    if (Code c = BuildFromSelection(selection, &file.structure, memory.structure, slack, false))
        return c;
    ItemObject* source = ChildItemNamed(&file, "Data");
    if (!source) return kOk;
    if (!HasCells(source->flags)) return kFileError;  // only a damaged file has such a "Data"
    ItemObject* data = MakeItem(&memory, "Data", CellKindOf(source->flags) | kInMemory);
    if (Code c = AllocateBuffer(*data, memory.structure.cells)) return c;
    Structure common;
    if (Code c = Intersect(memory.structure, file.structure, common, 0)) return c;
    return CopyCells(&common, *data, &common, *source);
}

Code StoreInitialValues(ItemObject& item, const APLArray* values) {
    return WriteValues(item, nullptr, values);
}

}  // namespace zrt
