// The classic file handles: -1 on failure with the reason in classicLastError.
#include <gtest/gtest.h>

#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;

namespace {

TEST(ClassicHandles, ShareModesHoldAndFailuresReturnMinusOne) {
    zrt::test::TempDir dir;
    std::string path = dir.file("f");
    zrt::test::writeFile(path, "abc");
    ClassicHandle reader = classicOpen(path, kOfRead | kOfShareDenyWrite);
    ASSERT_NE(reader, kClassicError);
    EXPECT_EQ(classicOpen(path, kOfReadWrite), kClassicError);
    EXPECT_EQ(classicLastError(), kSharingViolation);
    EXPECT_EQ(classicOpen(dir.file("none"), kOfRead), kClassicError);
    EXPECT_EQ(classicLastError(), kFileNotFound);
    EXPECT_EQ(classicWrite(reader, "x", 1), kClassicError);
    EXPECT_EQ(classicLastError(), kAccessDenied);
    EXPECT_EQ(classicSeek(reader, -1, 0), kClassicError);
    EXPECT_EQ(classicSeek(reader, -1, 2), 2);
    EXPECT_EQ(classicSeek(reader, -2, 1), 0);
    char c;
    EXPECT_EQ(classicRead(999999, &c, 1), kClassicError);
    EXPECT_EQ(classicClose(reader), 0);
    ClassicHandle again = classicOpen(path, kOfReadWrite | kOfShareExclusive);
    EXPECT_NE(again, kClassicError) << "closing released the reader's share mode";
    classicClose(again);
}

}  // namespace
