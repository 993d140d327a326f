#include "arrayfile/file_layer.h"

#include <cstring>
#include <string>

#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "frame/log.h"

namespace zrt {

namespace {

using platform::File;
using platform::SysError;

constexpr uint64_t kLargestOffset = 0xFFFFFFFFu;

bool logging() { return LogEnabled(0, kLogRecords, 3); }

void logFailure(const char* message, SysError e) {
    if (message && logging()) LogValue(message, static_cast<int32_t>(e));
}

// Exactly count bytes at offset, else 10039 (logged with message when there is one).
Code readExact(File& f, uint64_t offset, void* buffer, uint32_t count, const char* message) {
    uint32_t got = 0;
    SysError e = f.readAt(offset, buffer, count, got);
    if (e != platform::kOk || got != count) {
        logFailure(message, e);
        return kFileError;
    }
    return kOk;
}

Code writeExact(File& f, const void* buffer, uint32_t count, const char* message) {
    uint32_t put = 0;
    SysError e = f.write(buffer, count, put);
    if (e != platform::kOk || put != count) {
        logFailure(message, e);
        return kFileError;
    }
    return kOk;
}

// The messages a writing routine logs its failures with.
struct WriteMessages {
    const char* pieces;  // pieces that are not records
    const char* data;    // null: FileCreate's own line with the counts
    const char* header;
};

const WriteMessages kCreateMessages = {"FileCreate: (header) WriteFile ", nullptr,
                                       "FileCreate: (header) WriteFile "};
const WriteMessages kCopyMessages = {"FileCopyStruct WriteFile ",
                                     "FileCopyStruct: (data) WriteFile ",
                                     "FileCopyStruct: WriteFile "};

Code writeZeros(File& f, uint64_t count, const WriteMessages& m) {
    static const uint8_t zeros[kZeroPiece] = {};
    while (count > 0) {
        uint32_t asked = static_cast<uint32_t>(std::min<uint64_t>(count, kZeroPiece));
        uint32_t written = 0;
        SysError e = f.write(zeros, asked, written);
        if (e != platform::kOk || written != asked) {
            if (!logging()) return kFileError;
            if (m.data) LogValue(m.data, static_cast<int32_t>(e));
            else LogPrintf("FileCreate: (data) WriteFile res %u asked %u written %u", e, asked, written);
            return kFileError;
        }
        count -= asked;
    }
    return kOk;
}

// Records, zeroed data, then the header: a file cut short by a failure has no valid header.
Code writePlan(File& f, const FilePlan& plan, const WriteMessages& m) {
    if (f.seek(plan.header->fileRecordOffset(), platform::Whence::Begin) != platform::kOk)
        return kFileError;
    for (const FilePlan::Piece& p : plan.pieces) {
        uint32_t n = static_cast<uint32_t>(p.bytes.size());
        Code c = p.record ? WriteNLD(f, p.bytes.data(), n) : writeExact(f, p.bytes.data(), n, m.pieces);
        if (c) return c;
    }
    if (Code c = writeZeros(f, plan.dataBytes, m)) return c;
    if (f.seek(0, platform::Whence::Begin) != platform::kOk) return kFileError;
    std::vector<uint8_t> header = plan.header->encode();
    return writeExact(f, header.data(), static_cast<uint32_t>(header.size()), m.header);
}

std::vector<uint8_t> dimensionList(const Dimension& d) {
    std::vector<uint8_t> list;
    list.reserve(4 + size_t(d.size) * 4);
    AppendLE32(list, d.size);
    for (uint32_t p = 0; p < d.size; ++p) AppendLE32(list, static_cast<uint32_t>(d.ids[p]));
    return list;
}

std::vector<ItemObject*> itemsOf(NamedObject& owner) {
    std::vector<ItemObject*> items;
    for (auto& c : owner.children)
        if (c->kind == kItemKind) items.push_back(as<ItemObject>(c.get()));
    return items;
}

// Appends a piece and moves pos past it; false when the file would pass 4 GB.
bool append(FilePlan& plan, uint64_t& pos, std::vector<uint8_t> bytes, bool record) {
    pos += bytes.size();
    plan.pieces.push_back({std::move(bytes), record});
    return pos <= kLargestOffset;
}

// Item data offsets are planned from the start of the data area; once the records are laid
// out they become file offsets. False when the file would pass 4 GB.
bool placeData(FilePlan& plan, uint64_t dataStart) {
    HeaderBlock& h = *plan.header;
    if (dataStart + plan.dataBytes > kLargestOffset) return false;
    for (uint32_t j = 0; j < h.nI; ++j) h.itemDataOffset(j) += static_cast<uint32_t>(dataStart);
    plan.dataStart = static_cast<uint32_t>(dataStart);
    return true;
}

}  // namespace

Code PlanFileCreate(ArrayFileObject& file, const APLArray* fileDescriptor,
                    const APLArray* dimDescriptors, FilePlan& plan) {
    const Structure& s = file.structure;
    std::vector<ItemObject*> items = itemsOf(file);
    if (items.size() > kNoItemIndex) return kRange;
    auto header = std::make_unique<HeaderBlock>(s.rank(), static_cast<uint32_t>(items.size()));
    plan.header = nullptr;
    plan.pieces.clear();
    plan.dataBytes = 0;
    uint64_t pos = header->fileRecordOffset();

    uint8_t record[kNldRecordSize];
    if (Code c = BuildNldRecord(fileDescriptor, 0, record)) return c;
    append(plan, pos, {record, record + kNldRecordSize}, false);
    for (uint32_t i = 0; i < s.rank(); ++i) {
        if (Code c = BuildNldRecord(dimDescriptors, i, record)) return c;
        header->dimRecOffset(i) = static_cast<uint32_t>(pos);
        append(plan, pos, {record, record + kNldRecordSize}, false);
    }
    for (uint32_t i = 0; i < s.rank(); ++i) {
        header->dimListOffset(i) = static_cast<uint32_t>(pos);
        if (!append(plan, pos, dimensionList(s.dims[i]), false)) return kRange;
    }
    for (uint32_t j = 0; j < items.size(); ++j) {
        if (items[j]->name.size() > kMaxItemName) return kRange;
        header->itemRecOffset(j) = static_cast<uint32_t>(pos);
        header->itemDataOffset(j) = static_cast<uint32_t>(plan.dataBytes);
        if (!append(plan, pos, ItemRecord(items[j]->flags, items[j]->name), false)) return kRange;
        plan.dataBytes += FileDataSize(items[j]->flags, s.cells);
        if (plan.dataBytes > kLargestOffset) return kRange;
    }
    plan.header = std::move(header);
    return placeData(plan, pos) ? kOk : kRange;
}

Code FileCreate(ArrayFileObject& file, FilePlan& plan) {
    if (Code c = writePlan(file.file, plan, kCreateMessages)) return c;
    uint16_t j = 0;
    for (auto& c : file.children)
        if (c->kind == kItemKind) as<ItemObject>(c.get())->itemIndex = j++;
    file.header = std::move(plan.header);
    return kOk;
}

Code ReadHeader(ArrayFileObject& file) {
    const char* message = "ReadHeader: ReadFile ";
    uint64_t size = 0;
    if (file.file.size(size) != platform::kOk) return kFileError;
    uint8_t counts[8];
    if (Code c = readExact(file.file, 0, counts, 8, message)) return c;
    uint32_t nD = LoadLE32(counts), nI = LoadLE32(counts + 4);
    uint64_t headerSize = HeaderBlock::SizeFor(nD, nI);
    if (headerSize > size) return kFileError;  // counts that the file cannot hold
    auto header = std::make_unique<HeaderBlock>(nD, nI);
    std::vector<uint8_t> image(headerSize);
    if (Code c = readExact(file.file, 0, image.data(), static_cast<uint32_t>(headerSize), message))
        return c;
    header->decode(image.data());
    for (uint32_t offset : header->tables)
        if (offset > size) return kFileError;
    file.header = std::move(header);
    return kOk;
}

namespace {

Code readDimension(File& f, uint64_t fileSize, uint32_t offset, Dimension& d) {
    const char* message = "FileOpen: ReadFile ";
    uint8_t word[4];
    if (uint64_t(offset) + 4 > fileSize) return kFileError;
    if (Code c = readExact(f, offset, word, 4, message)) return c;
    uint32_t size = LoadLE32(word);
    if (uint64_t(offset) + 4 + uint64_t(size) * 4 > fileSize) return kFileError;
    std::vector<uint8_t> bytes(size_t(size) * 4);
    if (size && readExact(f, uint64_t(offset) + 4, bytes.data(), size * 4, message))
        return kFileError;
    d.mode = kAll;
    d.size = size;
    d.ids.resize(size);
    for (uint32_t p = 0; p < size; ++p) d.ids[p] = static_cast<int32_t>(LoadLE32(&bytes[4 * size_t(p)]));
    return kOk;
}

struct ItemRecordRead {
    std::string name;
    uint32_t flags;
};

Code readItemRecord(File& f, uint64_t fileSize, uint32_t offset, ItemRecordRead& out) {
    const char* message = "FileOpen: ReadFile ";
    uint8_t record[kRecordCapacity];
    if (uint64_t(offset) + 4 > fileSize) return kFileError;
    if (Code c = readExact(f, offset, record, 4, message)) return c;
    uint32_t length = LoadLE32(record);
    if (length < kItemRecordFixed || length > kRecordCapacity) return kFileError;
    if (uint64_t(offset) + length > fileSize) return kFileError;
    if (Code c = readExact(f, uint64_t(offset) + 4, record + 4, length - 4, message)) return c;
    out.flags = ItemRecordFlags(record);
    out.name = ItemRecordName(record, length);
    return kOk;
}

}  // namespace

Code FileOpen(ArrayFileObject& file) {
    if (Code c = ReadHeader(file)) return c;
    HeaderBlock& h = *file.header;
    uint64_t size = 0;
    if (file.file.size(size) != platform::kOk) return kFileError;
    if (h.nI >= kNoItemIndex + 1u) return kFileError;

    Structure s;
    s.dims.resize(h.nD);
    for (uint32_t i = 0; i < h.nD; ++i)
        if (Code c = readDimension(file.file, size, h.dimListOffset(i), s.dims[i])) return c;
    if (RecomputeStrides(s) != kOk) return kFileError;
    BuildLookupTables(s, 100);

    std::vector<ItemRecordRead> records(h.nI);
    for (uint32_t j = 0; j < h.nI; ++j) {
        if (Code c = readItemRecord(file.file, size, h.itemRecOffset(j), records[j])) return c;
        if (h.itemDataOffset(j) + FileDataSize(records[j].flags, s.cells) > size) return kFileError;
        if (records[j].name == "Data" && !HasCells(records[j].flags)) return kFileError;
    }
    file.structure = std::move(s);
    for (uint32_t j = 0; j < h.nI; ++j) {
        ItemObject* item = MakeItem(&file, records[j].name, records[j].flags | kInFile);
        item->itemIndex = static_cast<uint16_t>(j);
    }
    return kOk;
}

Code ReadNLD(File& f, uint8_t* buffer, uint32_t capacity, uint32_t& length) {
    const char* message = "ReadNLD: ReadFile ";
    if (capacity < 4) return kRange;
    uint32_t got = 0;
    SysError e = f.read(buffer, 4, got);
    if (e != platform::kOk || got != 4) {
        logFailure(message, e);
        return kFileError;
    }
    uint32_t n = LoadLE32(buffer);
    if (n < kItemRecordFixed || n > kRecordCapacity || n > capacity) return kFileError;
    e = f.read(buffer + 4, n - 4, got);
    if (e != platform::kOk || got != n - 4) {
        logFailure(message, e);
        return kFileError;
    }
    length = n;
    return kOk;
}

Code WriteNLD(File& f, const uint8_t* buffer, uint32_t length) {
    return writeExact(f, buffer, length, "WriteNLD: WriteFile ");
}

namespace {

// The record at offset of the source, as a piece of the plan.
Code copyRecord(File& source, uint32_t offset, FilePlan& plan, uint64_t& pos,
                uint32_t* flags = nullptr) {
    if (source.seek(offset, platform::Whence::Begin) != platform::kOk) return kFileError;
    uint8_t record[kRecordCapacity];
    uint32_t length = 0;
    if (Code c = ReadNLD(source, record, sizeof record, length)) return c;
    if (flags) *flags = ItemRecordFlags(record);
    return append(plan, pos, {record, record + length}, true) ? kOk : kRange;
}

}  // namespace

Code FileCopyStruct(ArrayFileObject& source, ArrayFileObject& target, const uint32_t* order) {
    if (!source.header) return kFileError;
    const HeaderBlock& from = *source.header;
    const Structure& s = source.structure;
    if (from.nD != s.rank()) return kFileError;
    for (uint32_t i = 0; i < from.nD; ++i)
        if (order[i] >= from.nD) return kRange;

    FilePlan plan;
    plan.header = std::make_unique<HeaderBlock>(from.nD, from.nI);
    HeaderBlock& to = *plan.header;
    uint64_t pos = to.fileRecordOffset();
    if (Code c = copyRecord(source.file, from.fileRecordOffset(), plan, pos)) return c;
    for (uint32_t i = 0; i < from.nD; ++i) {
        to.dimRecOffset(i) = static_cast<uint32_t>(pos);
        if (Code c = copyRecord(source.file, from.dimRecOffset(order[i]), plan, pos)) return c;
    }
    for (uint32_t i = 0; i < from.nD; ++i) {
        to.dimListOffset(i) = static_cast<uint32_t>(pos);
        if (!append(plan, pos, dimensionList(s.dims[order[i]]), false)) return kRange;
    }
    for (uint32_t j = 0; j < from.nI; ++j) {
        uint32_t flags = 0;
        to.itemRecOffset(j) = static_cast<uint32_t>(pos);
        to.itemDataOffset(j) = static_cast<uint32_t>(plan.dataBytes);
        if (Code c = copyRecord(source.file, from.itemRecOffset(j), plan, pos, &flags)) return c;
        plan.dataBytes += FileDataSize(flags, s.cells);
        if (plan.dataBytes > kLargestOffset) return kRange;
    }
    if (!placeData(plan, pos)) return kRange;
    if (Code c = writePlan(target.file, plan, kCopyMessages)) return c;
    target.header = std::move(plan.header);
    return kOk;
}

}  // namespace zrt
