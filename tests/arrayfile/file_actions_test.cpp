// Rename and Remove: the disk file of an array file object moved or deleted, the object
// following it or staying as it was when the disk refuses.
#include <gtest/gtest.h>

#include "arrayfile/objects.h"
#include "fixture.h"
#include "frame/log.h"
#include "platform/platform.h"

namespace zrt {
namespace {

using test::args;
using test::chars;
using test::intScalar;
using Cells = std::vector<double>;

class FileActions : public test::ArrayFiles {
protected:
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", {{1, 2}, {5, 6}}), 0);
        ASSERT_EQ(put("F.Data", test::doubles({1, 2, 3, 4})), 0);
        contents_ = test::readFile(path("f.arr"));
    }
    int32_t rename(const std::string& name, const std::string& to) {
        return test::codeOfCall(Rename, args(chars(name), chars(to)));
    }
    int32_t remove(const std::string& name) { return test::codeOfCall(Remove, args(chars(name))); }
    std::string pathOf(const char* name) {
        NamedObject* o = nullptr;
        if (LocateObject(name, kArrayFileKind, o) != kOk) return "(none)";
        return as<ArrayFileObject>(o)->path;
    }

    std::string contents_;
};

TEST_F(FileActions, RenameMovesTheFileAndTheObjectFollows) {
    ASSERT_EQ(rename("F", "g.arr"), 0);
    EXPECT_EQ(pathOf("F"), "g.arr");
    EXPECT_FALSE(test::exists(path("f.arr")));
    EXPECT_EQ(test::readFile(path("g.arr")), contents_);
    ASSERT_EQ(put("F.Data", test::doubles({9, 9, 9, 9})), 0);
    EXPECT_NE(test::readFile(path("g.arr")), contents_);
    EXPECT_FALSE(test::exists(path("f.arr")));
}

TEST_F(FileActions, RenameOntoAnExistingFileReplacesIt) {
    test::writeFile(path("g.arr"), "an older file");
    ASSERT_EQ(rename("F", "g.arr"), 0);
    EXPECT_EQ(test::readFile(path("g.arr")), contents_);
    EXPECT_FALSE(test::exists(path("f.arr")));
}

TEST_F(FileActions, ARenameThatFailsKeepsFilesAndObject) {
    test::writeFile(path("g.arr"), "keep me");
    platform::File held;
    ASSERT_EQ(platform::File::open(path("g.arr"), platform::kRead, platform::kShareReadWrite,
                                   platform::Disposition::OpenExisting, held),
              platform::kOk);
    struct Case {
        const char* to;
    } cases[] = {
        {"f.arr"},                  // the file itself
        {"./f.arr"},                // the file itself, spelled otherwise
        {"g.arr"},                  // a file another user holds open
        {"nowhere/f.arr"},          // a directory that does not exist
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.to);
        EXPECT_EQ(rename("F", c.to), int32_t(kFileError));
        EXPECT_EQ(pathOf("F"), "f.arr");
        EXPECT_EQ(test::readFile(path("f.arr")), contents_);
        EXPECT_EQ(test::readFile(path("g.arr")), "keep me");
    }
    held.close();

    // A file already gone: nothing at the new path is touched.
    ASSERT_EQ(platform::deleteFile(path("f.arr")), platform::kOk);
    EXPECT_EQ(rename("F", "g.arr"), int32_t(kFileError));
    EXPECT_EQ(test::readFile(path("g.arr")), "keep me");
    EXPECT_EQ(pathOf("F"), "f.arr");
}

TEST_F(FileActions, RemoveDeletesTheFileAndTheObjectWithItsChildren) {
    ASSERT_EQ(newMemoryArray("F.Q", args(chars("all"), chars("all"))), 0);
    ASSERT_EQ(remove("F"), 0);
    EXPECT_FALSE(test::exists(path("f.arr")));
    EXPECT_EQ(pathOf("F"), "(none)");
    EXPECT_EQ(get("F.Q.Data").code, int32_t(kNoParent));
}

TEST_F(FileActions, RemoveOfAFileAlreadyGoneKeepsTheObject) {
    ASSERT_EQ(platform::deleteFile(path("f.arr")), platform::kOk);
    EXPECT_EQ(remove("F"), int32_t(kFileError));
    EXPECT_EQ(pathOf("F"), "f.arr");
    EXPECT_EQ(close("F"), 0);
}

TEST_F(FileActions, Refusals) {
    ASSERT_EQ(newMemoryArray("M", args(test::idVector({1}))), 0);
    struct Case {
        const char* name;
        APLArray* (*exportFn)(APLArray*);
        ArrayPtr arg;
        Code code;
    } cases[] = {
        {"Rename without a path", Rename, args(chars("F")), kRange},
        {"Rename of a name alone", Rename, chars("F"), kRange},
        {"Rename to a number", Rename, args(chars("F"), intScalar(3)), kBadType},
        {"Rename of a memory array", Rename, args(chars("M"), chars("m.arr")), kWrongKind},
        {"Rename of nothing", Rename, args(chars("G"), chars("g.arr")), kNotFound},
        {"Rename without a name", Rename, args(intScalar(1), chars("g.arr")), kBadType},
        {"Remove of a memory array", Remove, args(chars("M")), kWrongKind},
        {"Remove of an item", Remove, args(chars("F.Data")), kWrongKind},
        {"Remove of nothing", Remove, args(chars("G")), kNotFound},
        {"Remove without a name", Remove, args(intScalar(1)), kBadType},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(test::codeOfCall(c.exportFn, std::move(c.arg)), int32_t(c.code));
    }
    EXPECT_EQ(test::readFile(path("f.arr")), contents_);
    EXPECT_EQ(pathOf("F"), "f.arr");
}

TEST_F(FileActions, DiskFailuresAreLoggedWithTheSystemError) {
    ASSERT_EQ(platform::deleteFile(path("f.arr")), platform::kOk);
    SetDebugMask(0x00040003);
    EXPECT_EQ(rename("F", "g.arr"), int32_t(kFileError));
    EXPECT_EQ(remove("F"), int32_t(kFileError));
    SetDebugMask(0x00040002);  // below the level of these lines
    EXPECT_EQ(remove("F"), int32_t(kFileError));
    SetDebugMask(0);
    std::string log = test::readFile(path("aplsrv.log"));
    EXPECT_NE(log.find("ActRenameFile: MoveFile res 2 old f.arr new g.arr\n"), std::string::npos);
    size_t removed = log.find("ActRemoveFile: DeleteFile res 2 name f.arr\n");
    EXPECT_NE(removed, std::string::npos);
    EXPECT_EQ(log.find("ActRemoveFile", removed + 1), std::string::npos);
}

}  // namespace
}  // namespace zrt
