// New: creates an array file object (a new disk file, or an existing one opened), a memory
// array (free-standing, or cut out of an array file), or a memory item.
#include "arrayfile/arguments.h"
#include "arrayfile/array_file.h"
#include "arrayfile/fill.h"
#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "frame/args.h"
#include "frame/result.h"
#include "frame/root.h"
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
        return CutFromFile(memory, *as<ArrayFileObject>(memory.parent), selection, slack);
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
    if (const APLArray* values = optionalItem(arg, 3)) return StoreInitialValues(item, values);
    return kOk;
}

Code newObject(const APLArray* arg) {
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
    uint32_t slack = CurrentRoot()->slack;
    Code code = k == kArrayFileKind    ? newArrayFile(*as<ArrayFileObject>(object), arg, slack)
                : k == kMemoryArrayKind ? newMemoryArray(*as<MemoryArrayObject>(object), arg, slack)
                                        : newMemoryItem(*as<ItemObject>(object), arg);
    if (code == kOk) made.keep();
    return code;
}

}  // namespace

}  // namespace zrt

extern "C" ZRT_PUBLIC APLArray* ZRT_API New(APLArray* arg) {
    return zrt::guarded([&]() -> zrt::Result { return zrt::newObject(arg); });
}
