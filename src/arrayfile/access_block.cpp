#include "arrayfile/access_block.h"

#include <bit>
#include <cmath>
#include <memory>
#include <new>

#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "frame/log.h"

namespace zrt {

// Cells are read and written in place in the mapping, in the host's byte order; the file's
// is little-endian.
static_assert(std::endian::native == std::endian::little, "array file cells are little-endian");

namespace {

constexpr const char* kAuditItemName = "AuditRec";

// The end of an item's data in the file, or 0 when the item cannot be placed.
uint64_t dataEnd(const ArrayFileObject& file, const ItemObject& item) {
    if (!file.header || item.itemIndex >= file.header->nI) return 0;
    return uint64_t(file.header->itemDataOffset(item.itemIndex)) +
           FileDataSize(item.flags, file.structure.cells);
}

// The file's audit item, when a stamp is in force and the file has a double item of that name.
const ItemObject* auditItemOf(ArrayFileObject& file) {
    if (file.auditStamp == 0) return nullptr;
    const ItemObject* audit = ChildItemNamed(&file, kAuditItemName);
    if (!audit || CellKindOf(audit->flags) != kDoubleCells || dataEnd(file, *audit) == 0)
        return nullptr;
    return audit;
}

}  // namespace

Code CreateFileAccessBlock(uint16_t, ItemObject& item, AccessBlock*& out) {
    auto* file = static_cast<ArrayFileObject*>(FindAncestor(&item, kArrayFileKind));
    if (!file || dataEnd(*file, item) == 0) return kFileError;
    std::unique_ptr<AccessBlock> block(new (std::nothrow) AccessBlock);
    if (!block) return kNoMemory;

    using namespace platform;
    if (SysError e = File::open(file->path, kReadWrite, kShareReadWrite,
                                Disposition::OpenExisting, block->file)) {
        if (LogEnabled(0, kLogAccess, 3))
            LogPrintf("CreateFileAccessBlock: CreateFile res %u name %s", e, file->path.c_str());
        return kFileError;
    }
    block->auditStamp = file->auditStamp;
    block->auditValue = file->auditStamp;
    const ItemObject* audit = auditItemOf(*file);

    // Everything the walk will touch must lie inside the file, and inside the mapping.
    uint64_t needed = dataEnd(*file, item);
    if (audit) needed = std::max(needed, dataEnd(*file, *audit));
    uint64_t size = 0;
    if (block->file.size(size) != kOk || size < needed) return kFileError;
    // A file that cannot be mapped is a file error, unless memory is what is missing.
    if (SysError e = Mapping::map(block->file, true, block->mapping))
        return e == kNotEnoughMemory || e == kNoSystemResources ? kNoMemory : kFileError;
    if (block->mapping.size() < needed) return kFileError;

    uint8_t* view = block->mapping.data();
    block->itemData = view + file->header->itemDataOffset(item.itemIndex);
    if (audit) block->auditData = view + file->header->itemDataOffset(audit->itemIndex);
    out = block.release();
    return kOk;
}

void CloseFileAccessBlock(AccessBlock* block) { delete block; }

void PutFileDouble(uint8_t* data, uint32_t cell, const uint8_t* value, AccessBlock* access) {
    uint8_t* at = data + uint64_t(cell) * 8;
    double stored = ValueNumber(at);
    double given = ValueNumber(value);
    // Named doubles: each is rounded to double, so both builds compare the same numbers.
    double limit = std::fabs(stored) * 1e-14;
    double change = std::fabs(stored - given);
    if (limit >= change) return;
    if (access->auditData) SetValueNumber(access->auditData + uint64_t(cell) * 8, access->auditValue);
    std::memcpy(at, value, 8);
}

}  // namespace zrt
