// Save: memory items back into their array file over the common cells, with the audit stamp.
#include <gtest/gtest.h>

#include "arrayfile/objects.h"
#include "fixture.h"
#include "platform/platform.h"

namespace zrt {
namespace {

using test::args;
using test::chars;
using test::doubles;
using test::intScalar;
using Cells = std::vector<double>;

class SaveArray : public test::ArrayFiles {
protected:
    // F: ids (1 2 3) x (10 20), Data 1..6, an AuditRec and an Extra item; Q cut out of it with
    // ids the file lacks (4, 30): Q's cells in order (3 20) (3 30) (1 20) (1 30) (4 20) (4 30).
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", {{1, 2, 3}, {10, 20}}, {"AuditRec", "Extra"}), 0);
        ASSERT_EQ(put("F.Data", doubles({1, 2, 3, 4, 5, 6})), 0);
        ASSERT_EQ(newCut("F.Q"), 0);
        ASSERT_EQ(get("F.Q.Data").cells, (Cells{6, 0, 2, 0, 0, 0}));
    }

    int32_t newCut(const std::string& name) {
        return newMemoryArray(name, args(test::idVector({3, 1, 4}), test::idVector({20, 30})));
    }
    int32_t newItem(const std::string& name, int32_t flags) {
        return test::codeOfCall(New, args(chars(name), intScalar(4), intScalar(flags)));
    }
    int32_t save(ArrayPtr arg) { return test::codeOfCall(Save, std::move(arg)); }
    int32_t save(const std::string& name, int32_t stamp) {
        return save(args(chars(name), intScalar(stamp)));
    }
    int32_t stampOf(const char* name) {
        NamedObject* o = nullptr;
        LocateObject(name, kArrayFileKind, o);
        return as<ArrayFileObject>(o)->auditStamp;
    }
};

TEST_F(SaveArray, OnlyChangedCommonCellsAreWrittenAndStamped) {
    // Stamp 0: written, not stamped.
    ASSERT_EQ(put("F.Q.Data", doubles({60, 0, 20, 0, 0, 0})), 0);
    EXPECT_EQ(save("F.Q", 0), 0);
    EXPECT_EQ(get("F.Data").cells, (Cells{1, 20, 3, 4, 5, 60}));
    EXPECT_EQ(get("F.AuditRec").cells, (Cells{0, 0, 0, 0, 0, 0}));

    // (3 20) changes, (1 20) is written with the value it has, the rest has ids the file lacks.
    ASSERT_EQ(put("F.Q.Data", doubles({61, 99, 20, 98, 97, 96})), 0);
    std::string before = test::readFile(path("f.arr"));
    EXPECT_EQ(save("F.Q", 7), 0);
    EXPECT_EQ(get("F.Data").cells, (Cells{1, 20, 3, 4, 5, 61}));
    EXPECT_EQ(get("F.AuditRec").cells, (Cells{0, 0, 0, 0, 0, 7}));
    EXPECT_EQ(get("F.Extra").cells, (Cells{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(test::readFile(path("f.arr")).size(), before.size());
    EXPECT_EQ(stampOf("F"), 0);

    // The stamp was Save's alone: a later write of the file is not stamped.
    ASSERT_EQ(put("F.Data", doubles({1, 2, 3, 4, 50, 60})), 0);
    EXPECT_EQ(get("F.AuditRec").cells, (Cells{0, 0, 0, 0, 0, 7}));
}

TEST_F(SaveArray, EveryItemGoesToTheFileItemOfItsNameAndOthersAreSkipped) {
    ASSERT_EQ(newItem("F.Q.Other", 8), 0);  // the file has no Other
    ASSERT_EQ(newItem("F.Q.Extra", 8), 0);
    ASSERT_EQ(put("F.Q.Other", doubles({1, 1, 1, 1, 1, 1})), 0);
    ASSERT_EQ(put("F.Q.Extra", doubles({-1, -2, -3, -4, -5, -6})), 0);
    EXPECT_EQ(save("F.Q", 9), 0);
    EXPECT_EQ(get("F.Data").cells, (Cells{1, 2, 3, 4, 5, 6}));  // Q.Data unchanged
    EXPECT_EQ(get("F.Extra").cells, (Cells{0, -3, 0, 0, 0, -1}));
    EXPECT_EQ(get("F.AuditRec").cells, (Cells{0, 9, 0, 0, 0, 9}));
}

TEST_F(SaveArray, AStampIntoAFileWithoutAuditRecIsRefusedBeforeAnyWrite) {
    ASSERT_EQ(newFile("G", "g.arr", {{1, 2}}), 0);
    ASSERT_EQ(newMemoryArray("G.Q", args(chars("all"))), 0);
    ASSERT_EQ(put("G.Q.Data", doubles({5, 6})), 0);
    std::string before = test::readFile(path("g.arr"));
    EXPECT_EQ(save("G.Q", 3), int32_t(kUnsuited));
    EXPECT_EQ(test::readFile(path("g.arr")), before);
    EXPECT_EQ(stampOf("G"), 0);
}

TEST_F(SaveArray, TheStampIsResetWhenTheWriteFails) {
    ASSERT_EQ(put("F.Q.Data", doubles({60, 0, 20, 0, 0, 0})), 0);
    ASSERT_EQ(platform::deleteFile(path("f.arr")), platform::kOk);
    EXPECT_EQ(save("F.Q", 5), int32_t(kFileError));
    EXPECT_EQ(stampOf("F"), 0);
}

TEST_F(SaveArray, Refusals) {
    ASSERT_EQ(newItem("F.Q.AuditRec", 1), 0);  // bits where the file has numbers
    ASSERT_EQ(newCut("F.R"), 0);
    ASSERT_EQ(newItem("F.R.Bits", 1), 0);
    std::string before = test::readFile(path("f.arr"));
    EXPECT_EQ(save(args(chars("F.Data"), intScalar(1))), int32_t(kWrongKind));
    EXPECT_EQ(save(args(intScalar(1), intScalar(1))), int32_t(kBadType));
    EXPECT_EQ(save("F.Q", 1), int32_t(kUnsuited));  // items of different cells
    EXPECT_EQ(test::readFile(path("f.arr")), before);
    EXPECT_EQ(save("F.R", 1), 0);  // a bit item the file lacks is skipped like any other
}

}  // namespace
}  // namespace zrt
