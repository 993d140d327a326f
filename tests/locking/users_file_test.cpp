// Opening, creating and size checks of the users file are exercised through LogIn.
#include "locking/users_file.h"

#include <gtest/gtest.h>

namespace zrt {
namespace {

TEST(UsersDirectory, UpToTheLastSeparatorOfEitherKind) {
    const std::pair<const char*, const char*> cases[] = {
        {"Users.log", ""},
        {"share\\sub/Users.log", "share\\sub/"},
        {"\\Users.log", ""},  // the only separator first: the current directory
    };
    for (auto [path, directory] : cases) EXPECT_EQ(UsersDirectory(path), directory) << path;
}

}  // namespace
}  // namespace zrt
