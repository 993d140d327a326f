#include "locking/record_io.h"

#include <gtest/gtest.h>

#include <string>

#include "locking/formats.h"
#include "locking/lock_codes.h"
#include "support/test_support.h"

namespace zrt {
namespace {

platform::File openFile(const std::string& path) {
    platform::File f;
    EXPECT_EQ(platform::File::open(path, platform::kReadWrite, platform::kShareNone,
                                   platform::Disposition::OpenAlways, f),
              platform::kOk);
    return f;
}

std::string bytes(size_t n, char c) { return std::string(n, c); }

TEST(ReadRecordLocked, MissingLastFieldReadsAsAllOnesButLessIsAShortRead) {
    test::TempDir dir;
    struct Case {
        size_t fileSize;
        Code code;
    };
    // Record 1 of 16-byte records spans bytes 16 to 31.
    const Case cases[] = {{32, kOk}, {28, kOk}, {27, kShortRead}, {16, kShortRead}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fileSize);
        std::string path = dir.file("r" + std::to_string(c.fileSize));
        test::writeFile(path, bytes(c.fileSize, 'a'));
        platform::File f = openFile(path);
        uint8_t record[16];
        EXPECT_EQ(ReadRecordLocked(f, 1, sizeof record, record), c.code);
        if (c.code == kOk && c.fileSize == 28) {
            EXPECT_EQ(record[11], 'a');
            EXPECT_EQ(LoadLittle32(record + 12), 0xFFFFFFFFu);
        }
        if (c.code == kOk && c.fileSize == 32) {
            EXPECT_EQ(record[15], 'a');
        }
    }
}

TEST(ReadRecord, BeyondTheEndIsAShortRead) {
    test::TempDir dir;
    test::writeFile(dir.file("f"), bytes(48 * 2, 'b'));
    platform::File f = openFile(dir.file("f"));
    uint8_t record[48];
    EXPECT_EQ(ReadRecord(f, 1, 48, record), kOk);
    EXPECT_EQ(ReadRecord(f, 2, 48, record), kShortRead);
    EXPECT_EQ(ReadRecord(f, 100000, 48, record), kShortRead);
    EXPECT_EQ(NextRecord(f, record, 48, -1), kShortRead);
}

TEST(SeekRecord, NegativePositionsAndClosedFilesCannotBePositioned) {
    test::TempDir dir;
    platform::File f = openFile(dir.file("f"));
    EXPECT_EQ(SeekRecord(f, 0, 1044), kOk);
    EXPECT_EQ(SeekRecord(f, -1, 1044), kCannotSeek);  // the free owner as a slot
    uint8_t record[1044];
    EXPECT_EQ(ReadRecord(f, -1, 1044, record), kCannotSeek);
    platform::File closed;
    EXPECT_EQ(SeekRecord(closed, 0, 48), kCannotSeek);
    EXPECT_EQ(WriteRecord(closed, 0, 48, record), kCannotSeek);
}

TEST(WriteRecord, AtTheRecordCountAppends) {
    test::TempDir dir;
    test::writeFile(dir.file("f"), bytes(48, 'c'));
    platform::File f = openFile(dir.file("f"));
    LockBytes lock = EncodeLock(LockEntry{"X", 1, 2, 3, 4});
    EXPECT_EQ(WriteRecord(f, 1, 48, lock.data()), kOk);
    f.close();
    std::string content = test::readFile(dir.file("f"));
    ASSERT_EQ(content.size(), 96u);
    EXPECT_EQ(content.substr(0, 48), bytes(48, 'c'));
    EXPECT_EQ(content.substr(48), std::string(reinterpret_cast<char*>(lock.data()), 48));
}

}  // namespace
}  // namespace zrt
