// Save: memory items back into their array file over the common cells, with the audit stamp.
#include <gtest/gtest.h>

#include "arrayfile/objects.h"
#include "fixture.h"
#include "platform/platform.h"

namespace zrt::test {
namespace {

class SaveArray : public ArrayFiles {
protected:
    // F: ids (1 2 3) x (10 20), Data 1..6, an AuditRec and an Extra item; Q cut out of it with
    // ids the file lacks (4, 30): Q's cells in order (3 20) (3 30) (1 20) (1 30) (4 20) (4 30).
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", {{1, 2, 3}, {10, 20}}, {"AuditRec", "Extra"}), 0);
        ASSERT_EQ(put("F.Data", doubles({1, 2, 3, 4, 5, 6})), 0);
        ASSERT_EQ(newMemoryArray("F.Q", args(idVector({3, 1, 4}), idVector({20, 30}))), 0);
    }
    int32_t newItem(const char* name, int32_t flags) { return codeOfCall(New, args(chars(name), intScalar(4), intScalar(flags))); }
    int32_t save(int32_t stamp) { return codeOfCall(Save, args(chars("F.Q"), intScalar(stamp))); }
    int32_t stamp() { return findAs<ArrayFileObject>("F", kArrayFileKind)->auditStamp; }
};

TEST_F(SaveArray, OnlyChangedCommonCellsAreWrittenAndStamped) {
    ASSERT_EQ(put("F.Q.Data", doubles({60, 0, 20, 0, 0, 0})), 0);
    EXPECT_EQ(save(0), 0);  // written, not stamped
    EXPECT_EQ(get("F.Data").cells, (Cells{1, 20, 3, 4, 5, 60}));
    EXPECT_EQ(get("F.AuditRec").cells, Cells(6, 0));

    // (3 20) changes, (1 20) is written with the value it has, the rest has ids the file lacks.
    ASSERT_EQ(put("F.Q.Data", doubles({61, 99, 20, 98, 97, 96})), 0);
    size_t size = readFile(path("f.arr")).size();
    EXPECT_EQ(save(7), 0);
    EXPECT_EQ(get("F.Data").cells, (Cells{1, 20, 3, 4, 5, 61}));
    EXPECT_EQ(get("F.AuditRec").cells, (Cells{0, 0, 0, 0, 0, 7}));
    EXPECT_EQ(readFile(path("f.arr")).size(), size);
    // The stamp was Save's alone: a later write of the file is not stamped.
    EXPECT_EQ(stamp(), 0);
    ASSERT_EQ(put("F.Data", doubles({1, 2, 3, 4, 50, 60})), 0);
    EXPECT_EQ(get("F.AuditRec").cells, (Cells{0, 0, 0, 0, 0, 7}));
}

TEST_F(SaveArray, EveryItemGoesToTheFileItemOfItsNameAndOthersAreSkipped) {
    ASSERT_EQ(newItem("F.Q.Other", 8), 0);  // the file has no Other
    ASSERT_EQ(newItem("F.Q.Extra", 8), 0);
    ASSERT_EQ(newItem("F.Q.Bits", 1), 0);   // nor bits of that name
    ASSERT_EQ(put("F.Q.Other", doubles({1, 1, 1, 1, 1, 1})), 0);
    ASSERT_EQ(put("F.Q.Extra", doubles({-1, -2, -3, -4, -5, -6})), 0);
    EXPECT_EQ(save(9), 0);
    EXPECT_EQ(get("F.Data").cells, (Cells{1, 2, 3, 4, 5, 6}));  // Q.Data unchanged
    EXPECT_EQ(get("F.Extra").cells, (Cells{0, -3, 0, 0, 0, -1}));
    EXPECT_EQ(get("F.AuditRec").cells, (Cells{0, 9, 0, 0, 0, 9}));
}

TEST_F(SaveArray, RefusalsAndFailuresWriteNothingAndResetTheStamp) {
    ASSERT_EQ(newItem("F.Q.AuditRec", 1), 0);  // bits where the file has numbers
    std::string f = readFile(path("f.arr"));
    EXPECT_EQ(save(1), int32_t(kUnsuited));
    EXPECT_EQ(readFile(path("f.arr")), f);
    ASSERT_EQ(codeOfCall(Close, args(chars("F.Q.AuditRec"))), 0);
    ASSERT_EQ(put("F.Q.Data", doubles({60, 0, 20, 0, 0, 0})), 0);
    ASSERT_EQ(platform::deleteFile(path("f.arr")), platform::kOk);
    EXPECT_EQ(save(5), int32_t(kFileError));
    EXPECT_EQ(stamp(), 0);
}

}  // namespace
}  // namespace zrt::test
