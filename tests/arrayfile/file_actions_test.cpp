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

TEST_F(FileActions, RenameReplacesAnExistingFileAndTheObjectFollows) {
    test::writeFile(path("g.arr"), "an older file");
    ASSERT_EQ(rename("F", "g.arr"), 0);
    EXPECT_EQ(pathOf("F"), "g.arr");
    EXPECT_FALSE(test::exists(path("f.arr")));
    EXPECT_EQ(test::readFile(path("g.arr")), contents_);
    ASSERT_EQ(put("F.Data", test::doubles({9, 9, 9, 9})), 0);
    EXPECT_NE(test::readFile(path("g.arr")), contents_);
    EXPECT_FALSE(test::exists(path("f.arr")));
}

TEST_F(FileActions, ARenameThatFailsKeepsFilesAndObject) {
    test::writeFile(path("g.arr"), "keep me");
    platform::File held;
    ASSERT_EQ(platform::File::open(path("g.arr"), platform::kRead, platform::kShareReadWrite,
                                   platform::Disposition::OpenExisting, held),
              platform::kOk);
    // The file itself (twice spelled), a file another user holds open, a missing directory.
    for (const char* to : {"f.arr", "./f.arr", "g.arr", "nowhere/f.arr"}) {
        SCOPED_TRACE(to);
        EXPECT_EQ(rename("F", to), int32_t(kFileError));
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

TEST_F(FileActions, Refusals) {
    struct Case {
        const char* name;
        APLArray* (*exportFn)(APLArray*);
        ArrayPtr arg;
        Code code;
    } cases[] = {
        {"Rename of a name alone", Rename, chars("F"), kRange},
        {"Rename to a number", Rename, args(chars("F"), intScalar(3)), kBadType},
        {"Remove of an item", Remove, args(chars("F.Data")), kWrongKind},
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
    EXPECT_EQ(pathOf("F"), "f.arr");  // the object outlives a failed Remove
}

}  // namespace
}  // namespace zrt
