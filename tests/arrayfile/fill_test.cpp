#include "arrayfile/fill.h"

#include <gtest/gtest.h>

#include "arrayfile/objects.h"
#include "fixture.h"

namespace zrt {
namespace {

using test::args;
using test::chars;
using test::intScalar;

class Fill : public test::ArrayFiles {
protected:
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", {{1, 2}, {10, 20, 30}}, {"AuditRec"}), 0);
        ASSERT_EQ(put("F.Data", test::doubles({1, 2, 3, 4, 5, 6})), 0);
        ASSERT_EQ(put("F.AuditRec", test::doubles({9, 9, 9, 9, 9, 9})), 0);
    }
    int32_t cut(const std::string& name, ArrayPtr sel) {
        return test::codeOfCall(New, args(chars("F." + name), intScalar(3), std::move(sel)));
    }
};

TEST_F(Fill, IdsTheFileLacksHoldZeros) {
    ASSERT_EQ(cut("M", test::selection({{2, 7}, {30, 40, 10}})), 0);
    test::Values v = get("F.M.Data");
    EXPECT_EQ(v.shape, (std::vector<uint32_t>{2, 3}));
    EXPECT_EQ(v.cells, (std::vector<double>{6, 0, 4, 0, 0, 0}));
}

TEST_F(Fill, OnlyTheDataItemIsCopied) {
    ASSERT_EQ(cut("M", args(chars("all"), chars("all"))), 0);
    NamedObject* m;
    ASSERT_EQ(LocateObject("F.M", kMemoryArrayKind, m), kOk);
    ASSERT_EQ(m->children.size(), 1u);
    EXPECT_EQ(m->children[0]->name, "Data");
    EXPECT_EQ(as<ItemObject>(m->children[0].get())->flags, 0x20000008u);
    EXPECT_EQ(get("F.M.Data").cells, (std::vector<double>{1, 2, 3, 4, 5, 6}));
}

TEST_F(Fill, AScalarIdFixesItsDimension) {
    ASSERT_EQ(cut("M", args(intScalar(2), chars("all"))), 0);
    test::Values v = get("F.M.Data");
    EXPECT_EQ(v.shape, std::vector<uint32_t>{3});
    EXPECT_EQ(v.cells, (std::vector<double>{4, 5, 6}));
    // The memory array's own selections leave the fixed dimension out.
    v = get("F.M.Data", args(test::idVector({30, 10})));
    EXPECT_EQ(v.cells, (std::vector<double>{6, 4}));
}

TEST_F(Fill, CutsCanBeFilledAgainFromTheirOwnFile) {
    ASSERT_EQ(cut("M", test::selection({{1}, {20}})), 0);
    ASSERT_EQ(put("F.Data", test::doubles({0, 7, 0, 0, 0, 0})), 0);
    EXPECT_EQ(get("F.M.Data").cells, std::vector<double>{2});  // a copy, not a view
    ASSERT_EQ(cut("N", test::selection({{1}, {20}})), 0);
    EXPECT_EQ(get("F.N.Data").cells, std::vector<double>{7});
}

TEST_F(Fill, AFileThatCannotBeReadLeavesNoArray) {
    std::remove(path("f.arr").c_str());
    EXPECT_EQ(cut("M", test::selection({{1}, {20}})), int32_t(kFileError));
    NamedObject* m;
    EXPECT_EQ(LocateObject("F.M", kAnyKind, m), kNotFound);
    // Cuts that share no cell with the file never open it.
    EXPECT_EQ(cut("E", test::selection({{5}, {20}})), 0);
    EXPECT_EQ(get("F.E.Data").cells, std::vector<double>{0});
}

TEST_F(Fill, BadSelectionsLeaveNoArray) {
    EXPECT_EQ(cut("M", test::selection({{1}})), int32_t(kRange));
    EXPECT_EQ(cut("M", test::ints({1})), int32_t(kRange));
    EXPECT_EQ(cut("M", nullptr), int32_t(kNotVector));
    NamedObject* m;
    EXPECT_EQ(LocateObject("F.M", kAnyKind, m), kNotFound);
}

}  // namespace
}  // namespace zrt
