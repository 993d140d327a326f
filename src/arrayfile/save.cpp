// Save: writes the memory items of a memory array back into the array file it was cut out of,
// over the cells both hold, stamping every changed cell in the file's "AuditRec" when a stamp
// is given.
#include <string>
#include <vector>

#include "arrayfile/arguments.h"
#include "arrayfile/copy.h"
#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "frame/args.h"
#include "frame/export_bodies.h"
#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

namespace {

constexpr const char* kAuditItemName = "AuditRec";

// The file's stamp is in force only while Save writes: reset on every way out.
class StampInForce {
public:
    StampInForce(ArrayFileObject& file, int32_t stamp) : file_(file) { file_.auditStamp = stamp; }
    ~StampInForce() { file_.auditStamp = 0; }
    StampInForce(const StampInForce&) = delete;
    StampInForce& operator=(const StampInForce&) = delete;

private:
    ArrayFileObject& file_;
};

struct SavedItem {
    ItemObject* memory;
    ItemObject* file;
};

// The memory items that the file has an item of the same name for, in child order; the
// others are skipped. 10015 when a pair does not hold the same kind of cells (their values
// could not be carried over), found before anything is written.
Code itemsToSave(MemoryArrayObject& memory, ArrayFileObject& file, std::vector<SavedItem>& out) {
    for (auto& c : memory.children) {
        if (c->kind != kItemKind) continue;
        auto* from = as<ItemObject>(c.get());
        ItemObject* to = ChildItemNamed(&file, from->name);
        if (!to) continue;
        if (!HasCells(from->flags) || CellKindOf(from->flags) != CellKindOf(to->flags))
            return kUnsuited;
        out.push_back({from, to});
    }
    return kOk;
}

// Whether the file can take audit stamps: it has a number item "AuditRec" of its own.
bool takesStamps(ArrayFileObject& file) {
    const ItemObject* audit = ChildItemNamed(&file, kAuditItemName);
    return audit && CellKindOf(audit->flags) == kDoubleCells && audit->itemIndex != kNoItemIndex;
}

// The stamp: item 1 of a nested argument of more than one item, else 0.
Code stampOf(const APLArray* arg, int32_t& stamp) {
    stamp = 0;
    if (typeOf(arg) != kNested || ArgumentCount(arg) < 2) return kOk;
    return GetItemInt(arg, 1, stamp);
}

}  // namespace

Result body::Save(const APLArray* arg) {
    std::string name;
    if (Code c = NameOf(arg, 0, name)) return c;
    MemoryArrayObject* found;
    if (Code c = LocateAs(name.c_str(), found)) return c;
    auto& memory = *found;
    int32_t stamp;
    if (Code c = stampOf(arg, stamp)) return c;
    NamedObject* ancestor = FindAncestor(&memory, kArrayFileKind);
    if (!ancestor) return kWrongKind;
    auto& file = *as<ArrayFileObject>(ancestor);
    // Without "AuditRec" the stamps would be lost: refused before a cell is written.
    if (stamp != 0 && !takesStamps(file)) return kUnsuited;
    std::vector<SavedItem> items;
    if (Code c = itemsToSave(memory, file, items)) return c;
    Structure common;
    if (Code c = Intersect(memory.structure, file.structure, common, 0)) return c;

    StampInForce inForce(file, stamp);
    for (const SavedItem& item : items)
        if (Code c = CopyCells(&common, *item.file, &common, *item.memory)) return c;
    return kOk;
}

}  // namespace zrt
