// New: its codes with nothing left behind by a failure, file items, memory items, and memory
// arrays cut out of an array file.
#include <gtest/gtest.h>

#include <functional>

#include "arrayfile/objects.h"
#include "fixture.h"

namespace zrt::test {
namespace {

using NewTest = ArrayFiles;

ArrayPtr create(ArrayPtr dims, uint32_t rank, ArrayPtr items = nullptr) {
    return createArgs("X", "x.arr", std::move(dims), rank, std::move(items));
}

TEST_F(NewTest, CodesAndNoObjectLeftBehind) {
    ASSERT_EQ(newFile("F", "f.arr", {{1, 2}}), 0);
    ASSERT_EQ(newMemoryArray("M", selection({{1, 2, 3}})), 0);
    struct Case {
        const char* name;  // the object a failure must not leave
        std::function<ArrayPtr()> make;
        Code code;
    };
    const Case cases[] = {
        {"X", [] { return args(intScalar(5), intScalar(3), selection({{1}})); }, kBadType},
        {"F.X", [] { return args(chars("F.X"), intScalar(4), intScalar(8)); }, kBadParent},
        {"M.X", [] { return args(chars("M.X"), intScalar(2), intScalar(1), chars("f.arr")); }, kBadParent},
        {"X", [] { return args(chars("X"), intScalar(2), intScalar(0), chars("x.arr"), selection({{1}}),
                               fileDescriptor()); }, kRange},
        {"X", [] { return create(selection({{1}}), 1, args(chars("A"), intScalar(3))); }, kBadType},
        {"X", [] { return create(selection({{1}, {2}}), 1); }, kRange},
        {"1X", [] { return args(chars("1X"), intScalar(3), selection({{1}})); }, kBadName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.code);
        EXPECT_EQ(codeOfCall(New, c.make()), int32_t(c.code));
        EXPECT_EQ(find(c.name), nullptr);
    }
    EXPECT_FALSE(exists(path("x.arr")));  // bad arguments never reach the disk
    // A plain id vector is the selection of a rank-one file.
    EXPECT_EQ(codeOfCall(New, create(ints({1}), 1)), 0);
}

TEST_F(NewTest, CreateReplacesAFileAndMakesTheNamedItems) {
    writeFile(path("x.arr"), std::string(5000, 'x'));
    ASSERT_EQ(codeOfCall(New, create(selection({{1, 2}}), 1, args(chars("AuditRec"), chars("Plan")))), 0);
    ASSERT_EQ(find("X")->children.size(), 3u);
    EXPECT_EQ(as<ItemObject>(find("X.Plan"))->itemIndex, 2);
    EXPECT_EQ(as<ItemObject>(find("X.Plan"))->flags, 0x80000008u);
    EXPECT_LT(readFile(path("x.arr")).size(), 5000u);
}

TEST_F(NewTest, MemoryItemsLiveInMemoryWhateverTheCallerNames) {
    ASSERT_EQ(newMemoryArray("M", selection({oneTo(33)})), 0);
    ASSERT_EQ(codeOfCall(New, args(chars("M.Other"), intScalar(4), intScalar(int32_t(0x80000008u)))), 0);
    EXPECT_EQ(as<ItemObject>(find("M.Other"))->flags, 0x20000008u);
    EXPECT_EQ(get("M.Other").cells, Cells(33, 0));
}

TEST_F(NewTest, ACutOfAFileCopiesOnlyDataWithZerosForIdsTheFileLacks) {
    ASSERT_EQ(newFile("F", "f.arr", {{1, 2}, {10, 20, 30}}, {"AuditRec"}), 0);
    ASSERT_EQ(put("F.Data", doubles({1, 2, 3, 4, 5, 6})), 0);
    ASSERT_EQ(newMemoryArray("F.M", selection({{2, 7}, {30, 40, 10}})), 0);
    EXPECT_EQ(get("F.M.Data").cells, (Cells{6, 0, 4, 0, 0, 0}));
    NamedObject* m = find("F.M", kMemoryArrayKind);
    ASSERT_EQ(m->children.size(), 1u);
    EXPECT_EQ(as<ItemObject>(m->children[0].get())->flags, 0x20000008u);
    ASSERT_EQ(put("F.Data", doubles({0, 0, 0, 0, 0, 7})), 0);  // a copy, not a view
    EXPECT_EQ(get("F.M.Data").cells[0], 6);
    // Failures leave no array; a cut sharing no cell with the file never opens it.
    EXPECT_EQ(newMemoryArray("F.W", selection({{1}})), int32_t(kRange));
    std::remove(path("f.arr").c_str());
    EXPECT_EQ(newMemoryArray("F.W", selection({{1}, {20}})), int32_t(kFileError));
    EXPECT_EQ(find("F.W"), nullptr);
    EXPECT_EQ(newMemoryArray("F.E", selection({{5}, {20}})), 0);
    EXPECT_EQ(get("F.E.Data").cells, Cells{0});
}

}  // namespace
}  // namespace zrt::test
