#include "locking/formats.h"

#include <cstring>

namespace zrt {

namespace {

// A NUL-terminated text field: up to its first NUL, but at most limit bytes, for a damaged
// record may lack the NUL.
std::string fieldText(const uint8_t* field, uint32_t limit) {
    uint32_t n = 0;
    while (n < limit && field[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(field), n);
}

void putText(uint8_t* field, uint32_t size, const std::string& text) {
    size_t n = text.size() < size ? text.size() : size - 1;
    std::memcpy(field, text.data(), n);  // the rest of the field stays zero
}

struct Crc16Table {
    uint16_t t[256];
    Crc16Table() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t v = i << 8;
            for (int k = 0; k < 8; ++k) v = (v & 0x8000) ? (v << 1) ^ 0x1021 : v << 1;
            t[i] = static_cast<uint16_t>(v);
        }
    }
};

}  // namespace

uint32_t LoadLittle32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void StoreLittle32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

UserBytes EncodeUser(const UserEntry& r) {
    UserBytes b{};
    StoreLittle32(&b[0], r.key);
    StoreLittle32(&b[4], r.processId);
    StoreLittle32(&b[8], r.loginTime);
    StoreLittle32(&b[12], r.lastActivity);
    putText(&b[16], kUserNameSize, r.name);
    return b;
}

UserEntry DecodeUser(const uint8_t* bytes) {
    UserEntry r;
    r.key = LoadLittle32(bytes);
    r.processId = LoadLittle32(bytes + 4);
    r.loginTime = LoadLittle32(bytes + 8);
    r.lastActivity = LoadLittle32(bytes + 12);
    r.name = fieldText(bytes + 16, kMaxUserName);  // so that it fits a caller's 1028 bytes
    return r;
}

LockBytes EncodeLock(const LockEntry& r) {
    LockBytes b{};
    putText(&b[0], kNldNameSize, r.name);
    StoreLittle32(&b[32], static_cast<uint32_t>(r.library));
    StoreLittle32(&b[36], static_cast<uint32_t>(r.dt));
    StoreLittle32(&b[40], r.owner);
    StoreLittle32(&b[44], r.mode);
    return b;
}

LockEntry DecodeLock(const uint8_t* bytes) {
    LockEntry r;
    r.name = fieldText(bytes, kNldNameSize);  // unterminated: equal to no request
    r.library = static_cast<int32_t>(LoadLittle32(bytes + 32));
    r.dt = static_cast<int32_t>(LoadLittle32(bytes + 36));
    r.owner = LoadLittle32(bytes + 40);
    r.mode = LoadLittle32(bytes + 44);
    return r;
}

uint32_t Crc16Key(const char* text) {
    static const Crc16Table table;
    uint32_t key = 0xFFFF;
    for (const auto* p = reinterpret_cast<const uint8_t*>(text); *p; ++p)
        key = ((key >> 8) ^ table.t[(key ^ *p) & 0xFF]) & 0xFFFF;
    return key;
}

}  // namespace zrt
