// The records of the users file and of the lock files, as they lie on disk. Neither file has a
// header: record i starts at byte i * record size. Integers are 32-bit little-endian.
//
//   users file, 1044 bytes per slot       lock file, 48 bytes per lock
//     0  user key (Crc16Key of the name)    0  NLD name, NUL-terminated (32 bytes)
//     4  process id of the owner           32  library number
//     8  log-in time                       36  dt number
//    12  last-activity time                40  owner: user slot of the holder
//    16  user name, NUL-terminated (1028)  44  lock mode
//
// A free users record has key and process id all ones, times 0 and an empty name; a free lock
// record has an empty name, zero numbers, owner all ones and mode 0.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zrt {

constexpr uint32_t kUserRecordSize = 1044;
constexpr uint32_t kUserNameSize = 1028;       // the field, NUL included
constexpr uint32_t kMaxUserName = kUserNameSize - 1;
constexpr uint32_t kLockRecordSize = 48;
constexpr uint32_t kNldNameSize = 32;
constexpr uint32_t kMaxNldName = kNldNameSize - 1;
constexpr uint32_t kFree = 0xFFFFFFFFu;        // free key, process id and owner
constexpr uint32_t kUserTimeOffset = 12;       // the last-activity field

using UserBytes = std::array<uint8_t, kUserRecordSize>;
using LockBytes = std::array<uint8_t, kLockRecordSize>;

struct UserEntry {
    uint32_t key = kFree;
    uint32_t processId = kFree;
    uint32_t loginTime = 0;
    uint32_t lastActivity = 0;
    std::string name;  // at most kMaxUserName characters
};

struct LockEntry {
    std::string name;  // at most kMaxNldName characters (32 from a damaged record)
    int32_t library = 0;
    int32_t dt = 0;
    uint32_t owner = kFree;
    uint32_t mode = 0;

    bool isFree() const { return owner == kFree; }
};

UserBytes EncodeUser(const UserEntry& r);
UserEntry DecodeUser(const uint8_t* bytes);
LockBytes EncodeLock(const LockEntry& r);
LockEntry DecodeLock(const uint8_t* bytes);

// The free patterns.
inline UserEntry ClearUserRecord() { return UserEntry{}; }
inline LockEntry ClearLockRecord() { return LockEntry{}; }

uint32_t LoadLittle32(const uint8_t* p);
void StoreLittle32(uint8_t* p, uint32_t v);

// The 16-bit key of a user name or NLD text: the CCITT table (0x1021) in the reflected update,
// starting at 0xFFFF, no final XOR. "" gives 65535, "abc" 15455.
uint32_t Crc16Key(const char* text);

}  // namespace zrt
