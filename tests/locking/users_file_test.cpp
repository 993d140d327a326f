#include "locking/users_file.h"

#include <gtest/gtest.h>

#include "locking/lock_codes.h"
#include "support/test_support.h"

namespace zrt {
namespace {

TEST(UsersDirectory, UpToTheLastSeparatorOfEitherKind) {
    struct Case {
        const char* path;
        const char* directory;
    };
    const Case cases[] = {
        {"Users.log", ""},
        {"D:\\m\\Users.log", "D:\\m\\"},
        {"/srv/model/Users.log", "/srv/model/"},
        {"share\\sub/Users.log", "share\\sub/"},
        {"a/b\\Users.log", "a/b\\"},
        {"\\Users.log", ""},  // the only separator first: the current directory
        {"/Users.log", ""},
        {"sub/", "sub/"},
    };
    for (const Case& c : cases) EXPECT_EQ(UsersDirectory(c.path), c.directory) << c.path;
}

TEST(OpenUserFile, CreatesAMissingFileWithFreeRecords) {
    test::TempDir dir;
    platform::File users;
    ASSERT_EQ(OpenUserFile(dir.file("Users.log"), 3, users), kOk);
    EXPECT_TRUE(users.isOpen());
    users.close();
    std::string content = test::readFile(dir.file("Users.log"));
    ASSERT_EQ(content.size(), 3 * kUserRecordSize);
    UserBytes free = EncodeUser(ClearUserRecord());
    for (int s = 0; s < 3; ++s)
        EXPECT_EQ(content.substr(s * kUserRecordSize, kUserRecordSize),
                  std::string(reinterpret_cast<char*>(free.data()), free.size()));
}

TEST(OpenUserFile, WrongSizeIsRefusedAndLeavesNoHandle) {
    test::TempDir dir;
    struct Case {
        size_t size;
        Code code;
    };
    const Case cases[] = {
        {4 * kUserRecordSize, kOk},
        {3 * kUserRecordSize, kBadFileSize},  // MaxUsers - 1 records
        {5 * kUserRecordSize, kBadFileSize},
        {4 * kUserRecordSize + 1, kBadFileSize},
        {0, kBadFileSize},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        test::writeFile(dir.file("Users.log"), std::string(c.size, '\0'));
        platform::File users;
        EXPECT_EQ(OpenUserFile(dir.file("Users.log"), 4, users), c.code);
        EXPECT_EQ(users.isOpen(), c.code == kOk);
        EXPECT_EQ(test::readFile(dir.file("Users.log")).size(), c.size);  // never repaired
    }
}

TEST(OpenUserFile, UnwritableDirectoryCannotCreateIt) {
    platform::File users;
    EXPECT_EQ(OpenUserFile("/nonexistent-zrt-dir/Users.log", 2, users), kCannotCreate);
    EXPECT_FALSE(users.isOpen());
}

}  // namespace
}  // namespace zrt
