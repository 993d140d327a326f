// Get and Put: the values of an item, whole or through a selection of element ids.
#include <memory>

#include "arrayfile/arguments.h"
#include "arrayfile/objects.h"
#include "arrayfile/values.h"
#include "frame/args.h"
#include "frame/export_bodies.h"
#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

namespace {

Code itemNamed(const APLArray* arg, ItemObject*& item) {
    std::string name;
    if (Code c = NameOf(arg, 0, name)) return c;
    return LocateAs(name.c_str(), item);
}

// The selection of item index, built against the item's array (ids checked), or none when
// the argument stops before it.
Code selectionOf(const APLArray* arg, uint32_t index, ItemObject& item,
                 std::unique_ptr<Structure>& selection) {
    if (ArgumentCount(arg) <= index) return kOk;
    NamedObject* array = ArrayOf(&item);
    if (!array) return kUnsuited;
    APLArray* ids;
    if (Code c = GetItemArray(arg, index, ids)) return c;
    auto built = std::make_unique<Structure>();
    if (Code c = BuildFromSelection(ids, &StructureOf(array), *built, 0, true)) return c;
    selection = std::move(built);
    return kOk;
}

}  // namespace

Result body::Get(const APLArray* arg) {
    ItemObject* item;
    if (Code c = itemNamed(arg, item)) return c;
    std::unique_ptr<Structure> selection;
    if (Code c = selectionOf(arg, 1, *item, selection)) return c;
    ArrayPtr values;
    if (Code c = ReadValues(*item, selection.get(), values)) return c;
    return values;
}

Result body::Put(const APLArray* arg) {
    ItemObject* item;
    if (Code c = itemNamed(arg, item)) return c;
    APLArray* values;
    if (Code c = GetItemArray(arg, 1, values)) return c;
    std::unique_ptr<Structure> selection;
    if (Code c = selectionOf(arg, 2, *item, selection)) return c;
    return WriteValues(*item, selection.get(), values);
}

}  // namespace zrt
