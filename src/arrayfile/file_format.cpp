#include "arrayfile/file_format.h"

#include <cstring>

#include "frame/args.h"

namespace zrt {

std::vector<uint8_t> HeaderBlock::encode() const {
    std::vector<uint8_t> image;
    image.reserve(size());
    AppendLE32(image, nD);
    AppendLE32(image, nI);
    for (uint32_t v : tables) AppendLE32(image, v);
    return image;
}

void HeaderBlock::decode(const uint8_t* image) {
    for (size_t k = 0; k < tables.size(); ++k) tables[k] = LoadLE32(image + 8 + 4 * k);
}

Code BuildNldRecord(const APLArray* descriptors, uint32_t index,
                    uint8_t (&record)[kNldRecordSize]) {
    if (!descriptors || typeOf(descriptors) != kNested) return kBadType;
    APLArray* triple;
    if (Code c = GetItemArray(descriptors, index, triple)) return c;
    if (!triple || typeOf(triple) != kNested) return kBadType;
    if (cellCount(triple) != 3) return kRange;
    char name[kNldNameSize] = {};
    int32_t first, second;
    if (Code c = GetItemString(triple, 0, name, sizeof name)) return c;
    if (Code c = GetItemInt(triple, 1, first)) return c;
    if (Code c = GetItemInt(triple, 2, second)) return c;
    std::memset(record, 0, sizeof record);
    StoreLE32(record, kNldRecordSize);
    StoreLE32(record + 4, static_cast<uint32_t>(first));
    StoreLE32(record + 8, static_cast<uint32_t>(second));
    // The record was zeroed: the name is NUL-padded and the spare bytes are zero.
    std::memcpy(record + 12, name, std::strlen(name));
    return kOk;
}

std::vector<uint8_t> ItemRecord(uint32_t flags, const std::string& name) {
    uint32_t length = kItemRecordFixed + static_cast<uint32_t>(name.size());
    std::vector<uint8_t> record(length, 0);
    StoreLE32(record.data(), length);
    StoreLE32(record.data() + 8, flags);
    std::memcpy(record.data() + 12, name.data(), name.size());
    return record;
}

uint32_t ItemRecordFlags(const uint8_t* record) { return LoadLE32(record + 8); }

std::string ItemRecordName(const uint8_t* record, uint32_t length) {
    const char* name = reinterpret_cast<const char*>(record + 12);
    size_t room = length - 12;  // the name ends at its NUL or, in a damaged record, at the end
    return std::string(name, strnlen(name, room));
}

}  // namespace zrt
