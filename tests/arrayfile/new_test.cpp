// New: every kind, its codes, and nothing left behind by a failure.
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
    NamedObject* before = find("M");
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
        {"M", [] { return createArgs("M", "x.arr", selection({{1}}), 1); }, kExists},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.code);
        EXPECT_EQ(codeOfCall(New, c.make()), int32_t(c.code));
        EXPECT_EQ(find(c.name), c.name == std::string("M") ? before : nullptr);
    }
    EXPECT_EQ(as<MemoryArrayObject>(before)->structure.cells, 3u);
    EXPECT_FALSE(exists(path("x.arr")));  // bad arguments never reach the disk
    // A plain id vector is the selection of a rank-one file.
    EXPECT_EQ(codeOfCall(New, create(ints({1}), 1)), 0);
}

TEST_F(NewTest, CreateReplacesAFileAndMakesTheNamedItems) {
    writeFile(path("x.arr"), std::string(5000, 'x'));
    ASSERT_EQ(codeOfCall(New, create(selection({{1, 2}}), 1, args(chars("AuditRec"), chars("Plan")))), 0);
    NamedObject* f = find("X");
    ASSERT_EQ(f->children.size(), 3u);
    EXPECT_EQ(f->children[1]->name, "AuditRec");
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

}  // namespace
}  // namespace zrt::test
