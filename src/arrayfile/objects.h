// The registry records of array files, memory arrays and items.
//
// An array file object (kind 2) holds its structure, the path of its disk file and the header
// block read from or written to it; the disk file is open only while a call works on it, its
// mapping may be kept between calls (access_block.h). A memory array (kind 3) holds its
// structure. An item (kind 4) holds its flags, its buffer when it lives in memory and its
// index among the items of its array file when it lives there. Destroying an object releases
// what its kind owns; the registry destroys the children first.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "arrayfile/access_block.h"
#include "arrayfile/file_format.h"
#include "arrayfile/structure.h"
#include "frame/registry.h"
#include "platform/platform.h"

namespace zrt {

struct RootObject;

// The settings of array files and memory arrays, read by Init.
struct ArraySettings {
    uint32_t slack = 100;        // MEMORY Slack: room left for ids in a new structure
    uint32_t changeList = 1;     // MEMORY ChangeList: YES (the default) or not
    uint32_t accessSize = 4096;  // MEMORY AccessSize
};
void ReadArraySettings(RootObject& root);

constexpr uint16_t kNoItemIndex = 65535;

struct ArrayFileObject : NamedObject {
    static constexpr uint32_t kKind = kArrayFileKind;
    ArrayFileObject() : NamedObject(kKind) {}

    Structure structure;
    std::string path;
    platform::File file;  // open only during a call that works on the disk file
    FileView view;        // the mapping that walks over its items share (access_block.h)
    // Written into the file's "AuditRec" for every changed cell while not 0 (a walk takes
    // it when its access block opens).
    int32_t auditStamp = 0;
    std::unique_ptr<HeaderBlock> header;
};

struct MemoryArrayObject : NamedObject {
    static constexpr uint32_t kKind = kMemoryArrayKind;
    MemoryArrayObject() : NamedObject(kKind) {}

    Structure structure;
};

struct ItemObject : NamedObject {
    static constexpr uint32_t kKind = kItemKind;
    ItemObject() : NamedObject(kKind) {}

    uint32_t flags = 0;
    std::vector<uint8_t> buffer;  // memory items: the cells, in the layout of the file's data
    uint16_t itemIndex = kNoItemIndex;
};

// Makes the record of a new object of the kind (a bare header for kinds without a record).
std::unique_ptr<NamedObject> MakeRecord(uint32_t kind);

// A new item under owner, appended after its other children without the registry's name
// checks: flags as given, no buffer, no item index.
ItemObject* MakeItem(NamedObject* owner, const std::string& name, uint32_t flags);

// The array an item belongs to: its nearest ancestor that is an array file or a memory array.
NamedObject* ArrayOf(NamedObject* item);
// The structure of an array file or memory array.
Structure& StructureOf(NamedObject* array);

// The child item of an object with exactly that name, or null.
ItemObject* ChildItemNamed(NamedObject* owner, const std::string& name);

// Gives a memory item its zeroed buffer, sized from the cells of its memory array.
// 10012 when it cannot be had.
[[nodiscard]] Code AllocateBuffer(ItemObject& item, uint32_t cells);

}  // namespace zrt
