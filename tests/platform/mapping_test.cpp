// Views of whole files.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::TempDir;

namespace {

File openFile(const std::string& path, uint32_t access) {
    File f;
    EXPECT_EQ(File::open(path, access, kShareReadWrite, Disposition::OpenExisting, f), kOk);
    return f;
}

TEST(Mapping, WritesThroughAViewAreSeenByReadsAndOtherViewsWhichOutliveTheirFile) {
    TempDir dir;
    zrt::test::writeFile(dir.file("f"), "hello world");
    File f = openFile(dir.file("f"), kReadWrite);
    Mapping writable, readOnly;
    ASSERT_EQ(Mapping::map(f, true, writable), kOk);
    ASSERT_EQ(writable.size(), 11u);
    File other = openFile(dir.file("f"), kRead);
    ASSERT_EQ(Mapping::map(other, false, readOnly), kOk);
    std::memcpy(writable.data(), "HELLO", 5);
    char text[11];
    uint32_t got = 0;
    ASSERT_EQ(other.readAt(0, text, 11, got), kOk);
    EXPECT_EQ(std::string(text, got), "HELLO world");
    writable.unmap();
    EXPECT_FALSE(writable.isMapped());
    EXPECT_EQ(zrt::test::readFile(dir.file("f")), "HELLO world");

    ASSERT_EQ(other.close(), kOk);
    Mapping moved;
    moved = std::move(readOnly);
    EXPECT_FALSE(readOnly.isMapped());
    ASSERT_TRUE(moved.isMapped());
    EXPECT_EQ(std::memcmp(moved.data(), "HELLO", 5), 0);
}

TEST(Mapping, RefusesEmptyFilesClosedFilesAndWritableViewsOfReadOnlyOpens) {
    TempDir dir;
    zrt::test::writeFile(dir.file("empty"), "");
    zrt::test::writeFile(dir.file("full"), "x");
    Mapping m;
    EXPECT_EQ(Mapping::map(openFile(dir.file("empty"), kReadWrite), true, m), kFileInvalid);
    EXPECT_EQ(Mapping::map(File(), false, m), kInvalidHandle);
    EXPECT_EQ(Mapping::map(openFile(dir.file("full"), kRead), true, m), kAccessDenied);
    EXPECT_FALSE(m.isMapped());
}

}  // namespace
