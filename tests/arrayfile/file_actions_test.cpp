// Rename and Remove: the disk file of an array file object moved or deleted, the object
// following it or staying as it was when the disk refuses.
#include <gtest/gtest.h>

#include "arrayfile/objects.h"
#include "fixture.h"
#include "frame/log.h"
#include "platform/platform.h"

namespace zrt::test {
namespace {

class FileActions : public ArrayFiles {
protected:
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", {{1, 2}, {5, 6}}), 0);
        ASSERT_EQ(put("F.Data", doubles({1, 2, 3, 4})), 0);
        contents_ = readFile(path("f.arr"));
        writeFile(path("g.arr"), "keep me");
    }
    int32_t rename(const char* to) { return codeOfCall(Rename, args(chars("F"), chars(to))); }
    std::string pathOfF() { return findAs<ArrayFileObject>("F", kArrayFileKind)->path; }

    std::string contents_;
};

TEST_F(FileActions, RenameOntoItselfOrReplacingAFileAndTheObjectFollows) {
    for (const char* to : {"f.arr", "./f.arr"}) {  // only the spelling changes
        EXPECT_EQ(rename(to), 0);
        EXPECT_EQ(pathOfF(), to);
        EXPECT_EQ(readFile(path("f.arr")), contents_);
    }
    ASSERT_EQ(rename("g.arr"), 0);
    EXPECT_EQ(pathOfF(), "g.arr");
    EXPECT_FALSE(exists(path("f.arr")));
    EXPECT_EQ(readFile(path("g.arr")), contents_);
    ASSERT_EQ(put("F.Data", doubles({9, 9, 9, 9})), 0);
    EXPECT_NE(readFile(path("g.arr")), contents_);
}

TEST_F(FileActions, ARenameThatFailsKeepsFilesAndObject) {
    platform::File held;
    ASSERT_EQ(platform::File::open(path("g.arr"), platform::kRead, platform::kShareReadWrite,
                                   platform::Disposition::OpenExisting, held),
              platform::kOk);
    for (const char* to : {"g.arr", "nowhere/f.arr"}) {  // held open by another user; no directory
        SCOPED_TRACE(to);
        EXPECT_EQ(rename(to), int32_t(kFileError));
        EXPECT_EQ(pathOfF(), "f.arr");
        EXPECT_EQ(readFile(path("f.arr")), contents_);
        EXPECT_EQ(readFile(path("g.arr")), "keep me");
    }
    held.close();
}

TEST_F(FileActions, RemoveDeletesTheFileAndTheObjectWithItsChildren) {
    ASSERT_EQ(newMemoryArray("F.Q", args(chars("all"), chars("all"))), 0);
    ASSERT_EQ(codeOfCall(Remove, args(chars("F"))), 0);
    EXPECT_FALSE(exists(path("f.arr")));
    EXPECT_EQ(get("F.Q.Data").code, int32_t(kNoParent));
}

// A file already gone: nothing at the new path is touched, the object outlives both calls, and
// the log holds the system's error.
TEST_F(FileActions, DiskFailuresAreLoggedWithTheSystemError) {
    ASSERT_EQ(platform::deleteFile(path("f.arr")), platform::kOk);
    SetDebugMask(0x00040003);
    EXPECT_EQ(rename("g.arr"), int32_t(kFileError));
    EXPECT_EQ(codeOfCall(Remove, args(chars("F"))), int32_t(kFileError));
    SetDebugMask(0);
    EXPECT_EQ(readFile(path("g.arr")), "keep me");
    EXPECT_EQ(pathOfF(), "f.arr");
    std::string log = readTextFile(path("aplsrv.log"));
    EXPECT_NE(log.find("ActRenameFile: MoveFile res 2 old f.arr new g.arr\n"), std::string::npos);
    EXPECT_NE(log.find("ActRemoveFile: DeleteFile res 2 name f.arr\n"), std::string::npos);
}

// The root object is of its own kind only: every export that looks a name up by kind refuses
// it, and nothing of the root is read as an item or an array file.
TEST_F(ArrayFiles, TheRootPassesForNoOtherKind) {
    const std::pair<const char*, APLArray* (*)(APLArray*)> exports[] = {
        {"Get", Get}, {"Put", Put}, {"Save", Save}, {"Remove", Remove}, {"Transpose", Transpose}};
    for (const auto& [name, call] : exports) {
        SCOPED_TRACE(name);
        EXPECT_EQ(codeOfCall(call, args(chars("."), doubles({1}), chars("t.arr"), idVector({0}))),
                  int32_t(kWrongKind));
    }
    EXPECT_EQ(codeOfCall(Calc, args(chars("mov"), chars("."), ints({8, 2}))), int32_t(kWrongKind));
    EXPECT_EQ(codeOfCall(New, args(chars("."), intScalar(3), selection({{1}}))), int32_t(kExists));
    EXPECT_NE(find("."), nullptr);
    EXPECT_EQ(codeOfCall(Describe, args(chars("."))), 0);
}

}  // namespace
}  // namespace zrt::test
