#include "locking/formats.h"

#include <gtest/gtest.h>

#include <string>

namespace zrt {
namespace {

TEST(Crc16Key, KnownKeys) {
    EXPECT_EQ(Crc16Key(""), 65535u);
    EXPECT_EQ(Crc16Key("abc"), 15455u);
    // Each byte b: key = (key >> 8) ^ T[(key ^ b) & 0xFF]. From 0xFFFF, 0xFE meets T[1] = 0x1021
    // (key 0x10DE); then 0x21 meets T[255] = 0x1EF0.
    EXPECT_EQ(Crc16Key("\xFE"), 0x00FFu ^ 0x1021u);
    EXPECT_EQ(Crc16Key("\xFE\x21"), 0x0010u ^ 0x1EF0u);
    EXPECT_NE(Crc16Key("Sales"), Crc16Key("SALES"));
}

TEST(Records, UserRecordFieldsAreLittleEndianAtTheirOffsets) {
    UserEntry u{0x1234, 0xA0B0C0D0, 7, 8, "Ann"};
    UserBytes b = EncodeUser(u);
    EXPECT_EQ(b[0], 0x34);
    EXPECT_EQ(b[1], 0x12);
    EXPECT_EQ(b[4], 0xD0);
    EXPECT_EQ(b[7], 0xA0);
    EXPECT_EQ(b[8], 7);
    EXPECT_EQ(b[12], 8);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[16]), 4), std::string("Ann\0", 4));
    for (size_t k = 20; k < b.size(); ++k) ASSERT_EQ(b[k], 0) << k;
    UserEntry back = DecodeUser(b.data());
    EXPECT_EQ(back.key, u.key);
    EXPECT_EQ(back.processId, u.processId);
    EXPECT_EQ(back.name, "Ann");
}

TEST(Records, FreePatterns) {
    UserBytes u = EncodeUser(ClearUserRecord());
    for (int k = 0; k < 8; ++k) EXPECT_EQ(u[k], 0xFF);
    for (size_t k = 8; k < u.size(); ++k) ASSERT_EQ(u[k], 0);
    LockBytes l = EncodeLock(ClearLockRecord());
    for (size_t k = 0; k < 40; ++k) ASSERT_EQ(l[k], 0);
    for (int k = 40; k < 44; ++k) EXPECT_EQ(l[k], 0xFF);
    for (int k = 44; k < 48; ++k) EXPECT_EQ(l[k], 0);
    EXPECT_TRUE(DecodeLock(l.data()).isFree());
}

TEST(Records, LockRecordRoundTripWithNegativeNumbers) {
    LockEntry e{"Budget", -3, -70000, 2, 0x15};
    LockBytes b = EncodeLock(e);
    EXPECT_EQ(b[32], 0xFD);
    EXPECT_EQ(b[35], 0xFF);
    LockEntry back = DecodeLock(b.data());
    EXPECT_EQ(back.name, "Budget");
    EXPECT_EQ(back.library, -3);
    EXPECT_EQ(back.dt, -70000);
    EXPECT_EQ(back.owner, 2u);
    EXPECT_EQ(back.mode, 0x15u);
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
