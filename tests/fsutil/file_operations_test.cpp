#include <gtest/gtest.h>

#include "support/test_support.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::exists;
using test::readFile;
using test::TempDir;
using test::writeFile;

TEST(Copy, ReplacesAnExistingDestination) {
    TempDir dir;
    writeFile(dir.file("from"), "new content");
    writeFile(dir.file("to"), "old content that was longer");
    EXPECT_EQ(Copy(dir.file("from").c_str(), dir.file("to").c_str()), 0u);
    EXPECT_EQ(readFile(dir.file("to")), "new content");
    EXPECT_EQ(readFile(dir.file("from")), "new content");
    EXPECT_EQ(Copy(dir.file("absent").c_str(), dir.file("other").c_str()), 2u);
}

TEST(WRename, MovesButNeverOntoAnExistingFile) {
    TempDir dir;
    writeFile(dir.file("a"), "A");
    writeFile(dir.file("b"), "B");
    EXPECT_EQ(WRename(dir.file("a").c_str(), dir.file("b").c_str()), 183u);
    EXPECT_EQ(readFile(dir.file("a")), "A");
    EXPECT_EQ(readFile(dir.file("b")), "B");
    EXPECT_EQ(WRename(dir.file("a").c_str(), dir.file("c").c_str()), 0u);
    EXPECT_FALSE(exists(dir.file("a")));
    EXPECT_EQ(readFile(dir.file("c")), "A");
}

TEST(Erase, DeletesOrPassesTheSystemErrorThrough) {
    TempDir dir;
    writeFile(dir.file("doomed"), "x");
    EXPECT_EQ(Erase(dir.file("doomed").c_str()), 0u);
    EXPECT_FALSE(exists(dir.file("doomed")));
    EXPECT_EQ(Erase(dir.file("doomed").c_str()), 2u);
    EXPECT_EQ(Erase(nullptr), 87u);
}

}  // namespace
}  // namespace zrt
