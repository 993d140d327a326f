// Memory arrays cut out of an array file: filled from the file's Data item by id.
#include <gtest/gtest.h>

#include "arrayfile/objects.h"
#include "fixture.h"

namespace zrt::test {
namespace {

class Fill : public ArrayFiles {
protected:
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", {{1, 2}, {10, 20, 30}}, {"AuditRec"}), 0);
        ASSERT_EQ(put("F.Data", doubles({1, 2, 3, 4, 5, 6})), 0);
        ASSERT_EQ(put("F.AuditRec", doubles({9, 9, 9, 9, 9, 9})), 0);
    }
    int32_t cut(const std::string& name, ArrayPtr sel) { return newMemoryArray("F." + name, std::move(sel)); }
};

TEST_F(Fill, IdsTheFileLacksHoldZerosAndOnlyDataIsCopied) {
    ASSERT_EQ(cut("M", selection({{2, 7}, {30, 40, 10}})), 0);
    Values v = get("F.M.Data");
    EXPECT_EQ(v.shape, (std::vector<uint32_t>{2, 3}));
    EXPECT_EQ(v.cells, (Cells{6, 0, 4, 0, 0, 0}));
    NamedObject* m = find("F.M", kMemoryArrayKind);
    ASSERT_EQ(m->children.size(), 1u);
    EXPECT_EQ(as<ItemObject>(m->children[0].get())->flags, 0x20000008u);
    EXPECT_EQ(get("F.Data", args(idVector({}), chars("x"))).shape, (std::vector<uint32_t>{0, 3}));
    // A copy, not a view: later writes of the file do not reach it.
    ASSERT_EQ(put("F.Data", doubles({0, 0, 0, 0, 0, 7})), 0);
    EXPECT_EQ(get("F.M.Data").cells[0], 6);
}

TEST_F(Fill, FailuresLeaveNoArray) {
    EXPECT_EQ(cut("M", selection({{1}})), int32_t(kRange));
    std::remove(path("f.arr").c_str());
    EXPECT_EQ(cut("M", selection({{1}, {20}})), int32_t(kFileError));
    EXPECT_EQ(find("F.M"), nullptr);
    // Cuts that share no cell with the file never open it.
    EXPECT_EQ(cut("E", selection({{5}, {20}})), 0);
    EXPECT_EQ(get("F.E.Data").cells, Cells{0});
}

}  // namespace
}  // namespace zrt::test
