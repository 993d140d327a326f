#include "arrayfile/access_block.h"

#include <bit>
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
constexpr bool kWholeFileViews = sizeof(void*) >= 8;

uint64_t dataStart(const ArrayFileObject& file, const ItemObject& item) {
    return file.header->itemDataOffset(item.itemIndex);
}

// The end of an item's data in the file, or 0 when the item cannot be placed.
uint64_t dataEnd(const ArrayFileObject& file, const ItemObject& item) {
    if (!file.header || item.itemIndex >= file.header->nI) return 0;
    return dataStart(file, item) + FileDataSize(item.flags, file.structure.cells);
}

// The file's audit item, when a stamp is in force and the file has a double item of that name.
const ItemObject* auditItemOf(ArrayFileObject& file) {
    if (file.auditStamp == 0) return nullptr;
    const ItemObject* audit = ChildItemNamed(&file, kAuditItemName);
    if (!audit || CellKindOf(audit->flags) != kDoubleCells || dataEnd(file, *audit) == 0)
        return nullptr;
    return audit;
}

// The first walk of a call opens the file and keeps the mapping only while the handle still
// reaches the file that was mapped, at the size it had.
Code joinView(ArrayFileObject& file) {
    FileView& view = file.view;
    if (view.walks == 0) {
        using namespace platform;
        if (SysError e = File::open(file.path, kReadWrite, kShareReadWrite,
                                    Disposition::OpenExisting, view.file)) {
            if (LogEnabled(0, kLogAccess, 3))
                LogPrintf("CreateFileAccessBlock: CreateFile res %u name %s", e, file.path.c_str());
            view.mapping.unmap();
            return kFileError;
        }
        FileIdentity now;
        if (view.file.identity(now) != kOk) {
            view.file.close();
            return kFileError;
        }
        if (!(now == view.identity)) view.mapping.unmap();
        view.identity = now;
    }
    ++view.walks;
    return kOk;
}

// A file that cannot be mapped is a file error, unless memory is what is missing.
Code mapFailure(platform::SysError e) {
    if (e == platform::kOk) return kOk;
    return e == platform::kNotEnoughMemory || e == platform::kNoSystemResources ? kNoMemory : kFileError;
}

// A part of the file for a 32-bit walk: the bytes of an item's data.
Code mapItem(FileView& view, const ArrayFileObject& file, const ItemObject& item,
             platform::Mapping& part, uint8_t*& data) {
    uint64_t start = dataStart(file, item), length = dataEnd(file, item) - start;
    if (length == 0) return kOk;  // no cells, nothing to reach
    if (Code c = mapFailure(platform::Mapping::mapPart(view.file, true, start, length, part))) return c;
    data = part.data();
    return kOk;
}

}  // namespace

AccessBlock::~AccessBlock() {
    if (!owner) return;
    FileView& view = owner->view;
    if (--view.walks > 0) return;
    view.file.close();
    if (!platform::Mapping::kOutlivesCalls || !kWholeFileViews) view.mapping.unmap();
}

Code CreateFileAccessBlock(ItemObject& item, AccessBlock*& out) {
    auto* file = static_cast<ArrayFileObject*>(FindAncestor(&item, kArrayFileKind));
    if (!file || dataEnd(*file, item) == 0) return kFileError;
    std::unique_ptr<AccessBlock> block(new (std::nothrow) AccessBlock);
    if (!block) return kNoMemory;
    if (Code c = joinView(*file)) return c;
    block->owner = file;
    FileView& view = file->view;

    block->auditStamp = file->auditStamp;
    block->auditValue = file->auditStamp;
    const ItemObject* audit = auditItemOf(*file);
    // Everything the walk will touch must lie inside the file, and inside the mapping.
    uint64_t needed = dataEnd(*file, item);
    if (audit) needed = std::max(needed, dataEnd(*file, *audit));
    if (view.identity.size < needed) return kFileError;

    if (kWholeFileViews) {
        if (!view.mapping.isMapped())
            if (Code c = mapFailure(platform::Mapping::map(view.file, true, view.mapping))) return c;
        if (view.mapping.size() < needed) return kFileError;
        block->itemData = view.mapping.data() + dataStart(*file, item);
        if (audit) block->auditData = view.mapping.data() + dataStart(*file, *audit);
    } else {
        if (Code c = mapItem(view, *file, item, block->itemPart, block->itemData)) return c;
        if (audit)
            if (Code c = mapItem(view, *file, *audit, block->auditPart, block->auditData)) return c;
    }
    if (audit) block->auditIndex = audit->itemIndex;
    out = block.release();
    return kOk;
}

void CloseFileAccessBlock(AccessBlock* block) { delete block; }

void DropView(ArrayFileObject& file) {
    if (file.view.walks == 0) file.view.mapping.unmap();
}

bool SameFileCells(const AccessBlock& writer, uint16_t writerItem, const AccessBlock& other,
                   uint16_t otherItem) {
    if (!(writer.owner->view.identity.volume == other.owner->view.identity.volume &&
          writer.owner->view.identity.index == other.owner->view.identity.index))
        return false;
    return otherItem == writerItem || (writer.auditData && otherItem == writer.auditIndex);
}

}  // namespace zrt
