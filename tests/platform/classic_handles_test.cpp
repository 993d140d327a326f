// The classic file handles: -1 on failure with the reason in classicLastError.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

using namespace platform;
using zrt::test::TempDir;

namespace {

TEST(ClassicHandles, CreateEmptiesAndSeeksCountFromEachOrigin) {
    TempDir dir;
    zrt::test::writeFile(dir.file("f"), "old content");
    ClassicHandle h = classicCreate(dir.file("f"));
    ASSERT_NE(h, kClassicError);
    EXPECT_EQ(classicSeek(h, 0, 2), 0);
    EXPECT_EQ(classicWrite(h, "hello", 5), 5);
    EXPECT_EQ(classicSeek(h, -4, 2), 1);
    EXPECT_EQ(classicSeek(h, 1, 1), 2);
    EXPECT_EQ(classicClose(h), 0);
}

TEST(ClassicHandles, FailuresReturnMinusOneAndTheirError) {
    TempDir dir;
    std::string path = dir.file("f");
    zrt::test::writeFile(path, "abc");
    ClassicHandle reader = classicOpen(path, kOfRead | kOfShareDenyWrite);
    ASSERT_NE(reader, kClassicError);
    char buffer[1];
    struct Case {
        const char* name;
        std::function<int32_t()> call;
        SysError expected;
    } const cases[] = {
        {"missing file", [&] { return classicOpen(dir.file("none"), kOfRead); }, kFileNotFound},
        {"bad access bits", [&] { return classicOpen(path, 3); }, kInvalidParameter},
        {"bad share bits", [&] { return classicOpen(path, 0x50); }, kInvalidParameter},
        {"write denied by the open reader", [&] { return classicOpen(path, kOfReadWrite); },
         kSharingViolation},
        {"exclusive while a reader is open", [&] { return classicOpen(path, kOfShareExclusive); },
         kSharingViolation},
        {"write to a read handle", [&] { return classicWrite(reader, "x", 1); }, kAccessDenied},
        {"seek before the start", [&] { return classicSeek(reader, -1, 0); }, kNegativeSeek},
        {"bad origin", [&] { return classicSeek(reader, 0, 3); }, kInvalidParameter},
        {"read from no handle", [&] { return classicRead(999999, buffer, 1); }, kInvalidHandle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(), kClassicError);
        EXPECT_EQ(classicLastError(), c.expected);
    }
    EXPECT_EQ(classicClose(reader), 0);
    ClassicHandle again = classicOpen(path, kOfReadWrite | kOfShareExclusive);
    EXPECT_NE(again, kClassicError) << "closing released the reader's share mode";
    classicClose(again);
}

}  // namespace
