// The access block: how a walk reaches the cells of a file item.
//
// When a walk over a file item begins, its open access routine opens the array file, maps it
// whole, read-write, and points the walk at the item's data inside the mapping; the cells are
// read and written in place and reach the disk through the mapping. The block is closed
// (unmapped, file closed) when the walk's operand is disposed of.
//
// Before mapping, the item's data (and the audit item's) are checked to lie inside the file,
// and again inside the mapping: a file that another process has shortened is refused with
// 10039 instead of being read past its end. A file shortened while it is mapped raises a fault
// in the cell loop, which the loop's guard turns into 10039 (walk.h).
#pragma once

#include <cstdint>

#include "arrayfile/cells.h"
#include "platform/platform.h"

namespace zrt {

struct AccessBlock {
    platform::File file;
    platform::Mapping mapping;
    uint8_t* itemData = nullptr;
    // The cells of the file's item "AuditRec", written for every changed double cell; null
    // when no stamp is in force or the file has no such double item.
    uint8_t* auditData = nullptr;
    int32_t auditStamp = 0;
    double auditValue = 0;  // the stamp as the double that is written
};

// Open access of a file item: 0, or 10039 when the file cannot be opened or is too short for
// the item's data, 10012 when it cannot be mapped.
Code CreateFileAccessBlock(uint16_t destination, ItemObject& item, AccessBlock*& out);
void CloseFileAccessBlock(AccessBlock* block);

// Double put of a file item: leaves the cell alone when the new value differs from the stored
// one by no more than 1e-14 of the stored value's magnitude (so a stored 0 changes for any
// other value, and a NaN on either side always counts as a change); otherwise stamps the audit
// cell, when there is one, and stores the value.
void PutFileDouble(uint8_t* data, uint32_t cell, const uint8_t* value, AccessBlock* access);

}  // namespace zrt
