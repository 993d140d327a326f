// The access block: how a walk reaches the cells of a file item.
//
// The walks of one call over the items of one array file share one open handle and one
// mapping of the file, its view. The handle is opened when the first of those walks begins
// (read-write, others may read and write, as every open of an array file's data) and closed
// when the last one ends. A 64-bit process maps the whole file, read-write, and keeps the
// mapping between calls while the file stays the same: each call opens the path again and
// compares what the handle reaches (volume, file number, size) with the kept mapping's file;
// any difference, or a platform where a view would stop other processes from cutting or
// deleting the file (Windows), maps afresh. A 32-bit process maps, for each walk, only the
// parts it touches: the item's data and the audit item's, so that a file larger than the
// address space serves as long as its items fit.
//
// Before the cells are reached, the item's data (and the audit item's) are checked to lie
// inside the file and inside the mapping: a file that another process has shortened is refused
// with 10039 instead of being read past its end. A file shortened while a walk runs raises a
// fault in the cell loop, which the loop's guard turns into 10039 (walk.h).
#pragma once

#include <cstdint>

#include "frame/codes.h"
#include "platform/platform.h"

namespace zrt {

struct ArrayFileObject;
struct ItemObject;

// The view of an array file, held by its object.
struct FileView {
    platform::File file;           // open while walks of the current call use it
    platform::Mapping mapping;     // the whole file (64-bit processes)
    platform::FileIdentity identity;
    uint32_t walks = 0;            // walks that use the view now
};

struct AccessBlock {
    AccessBlock() = default;
    ~AccessBlock();  // lets go of the view: the last walk closes the handle
    AccessBlock(const AccessBlock&) = delete;
    AccessBlock& operator=(const AccessBlock&) = delete;

    ArrayFileObject* owner = nullptr;
    platform::Mapping itemPart, auditPart;  // 32-bit processes: the parts this walk touches
    uint8_t* itemData = nullptr;
    // The cells of the file's item "AuditRec", written for every changed double cell; null
    // when no stamp is in force or the file has no such double item.
    uint8_t* auditData = nullptr;
    int32_t auditStamp = 0;
    double auditValue = 0;  // the stamp as the double that is written
    uint16_t auditIndex = 0xFFFF;  // the audit item's index in the file, when there is one
};

// Opens the access of a file item for one walk: 0, or 10039 when the file cannot be opened,
// is too short for the item's data or cannot be mapped, 10012 when memory for the mapping is
// missing.
[[nodiscard]] Code CreateFileAccessBlock(ItemObject& item, AccessBlock*& out);
void CloseFileAccessBlock(AccessBlock* block);

// Unmaps a kept view: before anything that changes the file's size or moves or removes it.
void DropView(ArrayFileObject& file);

// Whether two walks reach the same cells of one disk file: the same item of the same file, or
// the audit cells that a walk of `writer` writes.
bool SameFileCells(const AccessBlock& writer, uint16_t writerItem, const AccessBlock& other,
                   uint16_t otherItem);

}  // namespace zrt
