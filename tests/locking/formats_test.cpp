#include "locking/formats.h"

#include <gtest/gtest.h>

#include <string>

namespace zrt {
namespace {

template <size_t N>
std::string text(const std::array<uint8_t, N>& bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.data()), N);
}

TEST(Crc16Key, KnownKeys) {
    EXPECT_EQ(Crc16Key(""), 65535u);
    EXPECT_EQ(Crc16Key("abc"), 15455u);
    // A byte above 127 indexes the table unsigned: from 0xFFFF, 0xFE meets T[1] = 0x1021.
    EXPECT_EQ(Crc16Key("\xFE"), 0x00FFu ^ 0x1021u);
}

TEST(Records, FieldsAreLittleEndianAtTheirOffsetsAndRoundTrip) {
    const std::string user = std::string("\x34\x12\0\0\xD0\xC0\xB0\xA0\7\0\0\0\x08\0\0\0Ann", 19) +
                             std::string(kUserRecordSize - 19, '\0');
    EXPECT_EQ(text(EncodeUser(UserEntry{0x1234, 0xA0B0C0D0, 7, 8, "Ann"})), user);
    EXPECT_EQ(text(EncodeUser(DecodeUser(reinterpret_cast<const uint8_t*>(user.data())))), user);

    const std::string lock = "Budget" + std::string(26, '\0') +
                             std::string("\xFD\xFF\xFF\xFF\x90\xEE\xFE\xFF\2\0\0\0\x15\0\0\0", 16);
    EXPECT_EQ(text(EncodeLock(LockEntry{"Budget", -3, -70000, 2, 0x15})), lock);
    EXPECT_EQ(text(EncodeLock(DecodeLock(reinterpret_cast<const uint8_t*>(lock.data())))), lock);

    // The free patterns.
    EXPECT_EQ(text(EncodeUser(ClearUserRecord())),
              std::string(8, '\xFF') + std::string(kUserRecordSize - 8, '\0'));
    EXPECT_EQ(text(EncodeLock(ClearLockRecord())),
              std::string(40, '\0') + std::string(4, '\xFF') + std::string(4, '\0'));
}

TEST(Records, DamagedNamesWithoutTheirNulStayInsideTheField) {
    UserBytes u{};
    for (size_t k = 16; k < u.size(); ++k) u[k] = 'x';
    EXPECT_EQ(DecodeUser(u.data()).name.size(), kMaxUserName);  // fits a 1028-byte buffer
    LockBytes l{};
    for (size_t k = 0; k < 32; ++k) l[k] = 'y';
    // All 32 bytes: such a name equals no name that a request may carry.
    EXPECT_EQ(DecodeLock(l.data()).name, std::string(32, 'y'));
}

}  // namespace
}  // namespace zrt
