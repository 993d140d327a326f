#include "locking/record_io.h"

#include <gtest/gtest.h>

#include <string>

#include "locking/formats.h"
#include "locking/lock_codes.h"
#include "support/test_support.h"

namespace zrt {
namespace {

// Positions outside a file and appending are exercised through LockNLD and ReleaseNLD.
TEST(ReadRecordLocked, MissingLastFieldReadsAsAllOnesButLessIsAShortRead) {
    test::TempDir dir;
    // Record 1 of 16-byte records spans bytes 16 to 31.
    const std::pair<size_t, Code> cases[] = {{32, kOk}, {28, kOk}, {27, kShortRead}};
    for (auto [size, code] : cases) {
        SCOPED_TRACE(size);
        std::string path = dir.file("r" + std::to_string(size));
        test::writeFile(path, std::string(size, 'a'));
        platform::File f;
        ASSERT_EQ(platform::File::open(path, platform::kReadWrite, platform::kShareNone,
                                       platform::Disposition::OpenExisting, f),
                  platform::kOk);
        uint8_t record[16];
        ASSERT_EQ(ReadRecordLocked(f, 1, sizeof record, record), code);
        if (code == kOk) {
            EXPECT_EQ(LoadLittle32(record + 12), size == 32 ? 0x61616161u : 0xFFFFFFFFu);
        }
    }
}

}  // namespace
}  // namespace zrt
