// New: creates an array file object (a new disk file, or an existing one opened), a memory
// array (free-standing, or cut out of an array file), or a memory item.
#include "arrayfile/arguments.h"
#include "arrayfile/array_file.h"
#include "arrayfile/copy.h"
#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "arrayfile/values.h"
#include "frame/args.h"
#include "frame/export_bodies.h"
#include "frame/result.h"
#include "frame/root.h"
#include "frame/settings.h"
#include "platform/ascii_case.h"
#include "zrt32.h"

namespace zrt {

namespace {

constexpr uint32_t kNoObjectKind = 5;  // a kind that is never made

bool parentSuits(uint32_t kind, const NamedObject* parent) {
    uint32_t p = parent ? parent->kind : 0;
    switch (kind) {
    case kArrayFileKind: return p == kRootKind;
    case kMemoryArrayKind: return p == kRootKind || p == kArrayFileKind;
    case kItemKind: return p == kMemoryArrayKind;
    default: return false;
    }
}

const APLArray* optionalItem(const APLArray* arg, uint32_t i) {
    APLArray* a = nullptr;
    if (i < ArgumentCount(arg) && GetItemArray(arg, i, a) == kOk) return a;
    return nullptr;
}

// A memory array cut out of an array file: its structure from the selection against the
// file's (the given slack, ids unchecked: ids the file lacks are kept), and a memory item
// "Data" holding the file's "Data" values for the cells both have, zeros elsewhere. A file
// without an item "Data" gives the array no item.
Code cutFromFile(MemoryArrayObject& memory, ArrayFileObject& file, const APLArray* selection,
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

Code newArrayFile(ArrayFileObject& file, const APLArray* arg, uint32_t slack) {
    int32_t open;
    std::string path;
    if (Code c = GetItemInt(arg, 2, open)) return c;
    if (Code c = TextOf(arg, 3, path)) return c;
    if (open != 0) return ActOpenFile(file, path);
    // Without the selection and both descriptors there is no file to write.
    if (ArgumentCount(arg) < 7) return kRange;
    APLArray *selection, *fileDescriptor, *dimDescriptors;
    if (Code c = GetItemArray(arg, 4, selection)) return c;
    if (Code c = GetItemArray(arg, 5, fileDescriptor)) return c;
    if (Code c = GetItemArray(arg, 6, dimDescriptors)) return c;
    return ActCreateFile(file, path, selection, fileDescriptor, dimDescriptors,
                         optionalItem(arg, 7), slack);
}

Code newMemoryArray(MemoryArrayObject& memory, const APLArray* arg, uint32_t slack) {
    const APLArray* selection = optionalItem(arg, 2);
    if (memory.parent->kind == kArrayFileKind)
        return cutFromFile(memory, *as<ArrayFileObject>(memory.parent), selection, slack);
    return BuildFromSelection(selection, nullptr, memory.structure, slack, false);
}

Code newMemoryItem(ItemObject& item, const APLArray* arg) {
    int32_t flags;
    if (Code c = GetItemInt(arg, 2, flags)) return c;
    uint32_t f = static_cast<uint32_t>(flags);
    if (!HasCells(f)) return kUnsuited;
    // The item lives in memory whatever residency the caller's flags name.
    item.flags = (f & ~kResidencyMask) | kInMemory;
    auto* memory = as<MemoryArrayObject>(FindAncestor(&item, kMemoryArrayKind));
    if (Code c = AllocateBuffer(item, memory->structure.cells)) return c;
    if (const APLArray* values = optionalItem(arg, 3)) return WriteValues(item, nullptr, values);
    return kOk;
}

}  // namespace

Result body::New(const APLArray* arg) {
    std::string name;
    if (Code c = NameOf(arg, 0, name)) return c;
    int32_t kind;
    if (GetItemInt(arg, 1, kind) != kOk || kind <= int32_t(kRootKind) || kind > int32_t(kNoObjectKind))
        return kBadKind;
    NamedObject* object;
    uint32_t k = static_cast<uint32_t>(kind);
    if (Code c = LocateObject(name.c_str(), k, object, [k] { return MakeRecord(k); })) return c;
    NewObjectGuard made(object);
    if (!parentSuits(k, object->parent)) return kBadParent;
    uint32_t slack = CurrentRoot()->arrays->slack;
    Code code = k == kArrayFileKind    ? newArrayFile(*as<ArrayFileObject>(object), arg, slack)
                : k == kMemoryArrayKind ? newMemoryArray(*as<MemoryArrayObject>(object), arg, slack)
                                        : newMemoryItem(*as<ItemObject>(object), arg);
    if (code == kOk) made.keep();
    return code;
}

void ReadArraySettings(RootObject& root) {
    ArraySettings& settings = root.arrays.get();
    const char* base = root.registryBase.c_str();
    settings.slack = NumberSetting("MEMORY", "Slack", "100", base);
    settings.changeList =
        platform::sameIgnoringCase(TextSetting("MEMORY", "ChangeList", "YES", base), "YES");
    settings.accessSize = NumberSetting("MEMORY", "AccessSize", "4096", base);
}

}  // namespace zrt
