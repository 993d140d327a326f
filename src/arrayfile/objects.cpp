#include "arrayfile/objects.h"

#include <new>

#include "arrayfile/item_flags.h"

namespace zrt {

std::unique_ptr<NamedObject> MakeRecord(uint32_t kind) {
    switch (kind) {
    case kArrayFileKind: return std::make_unique<ArrayFileObject>();
    case kMemoryArrayKind: return std::make_unique<MemoryArrayObject>();
    case kItemKind: return std::make_unique<ItemObject>();
    default: return std::make_unique<NamedObject>(kind);
    }
}

ItemObject* MakeItem(NamedObject* owner, const std::string& name, uint32_t flags) {
    auto item = std::make_unique<ItemObject>();
    item->name = name;
    item->flags = flags;
    return static_cast<ItemObject*>(AdoptChild(owner, std::move(item)));
}

NamedObject* ArrayOf(NamedObject* item) {
    for (NamedObject* o = item ? item->parent : nullptr; o; o = o->parent)
        if (o->kind == kArrayFileKind || o->kind == kMemoryArrayKind) return o;
    return nullptr;
}

Structure& StructureOf(NamedObject* array) {
    if (array->kind == kArrayFileKind) return as<ArrayFileObject>(array)->structure;
    return as<MemoryArrayObject>(array)->structure;
}

ItemObject* ChildItemNamed(NamedObject* owner, const std::string& name) {
    for (auto& c : owner->children)
        if (c->kind == kItemKind && c->name == name) return as<ItemObject>(c.get());
    return nullptr;
}

Code AllocateBuffer(ItemObject& item, uint32_t cells) {
    uint64_t bytes = MemoryBufferSize(item.flags, cells);
    if (bytes > item.buffer.max_size()) return kNoMemory;
    try {
        item.buffer.assign(static_cast<size_t>(bytes), 0);
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
    return kOk;
}

}  // namespace zrt
