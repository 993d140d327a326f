// New: every kind, its codes, and nothing left behind by a failure; Close.
#include <gtest/gtest.h>

#include <functional>

#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "fixture.h"

namespace zrt {
namespace {

using test::args;
using test::chars;
using test::codeOfCall;
using test::intScalar;
using test::selection;

class NewTest : public test::ArrayFiles {
protected:
    NamedObject* find(const char* name) {
        NamedObject* o = nullptr;
        LocateObject(name, kAnyKind, o);
        return o;
    }
    ItemObject* item(const char* name) { return as<ItemObject>(find(name)); }
};

// A create of X at x.arr with these dimensions and descriptors, then what follows them.
template <class... A>
ArrayPtr create(ArrayPtr dims, uint32_t rank, A&&... more) {
    return args(chars("X"), intScalar(2), intScalar(0), chars("x.arr"), std::move(dims),
                test::fileDescriptor(), test::dimDescriptors(rank), std::forward<A>(more)...);
}

TEST_F(NewTest, CodesAndNoObjectLeftBehind) {
    ASSERT_EQ(newFile("F", "f.arr", {{1, 2}}), 0);
    ASSERT_EQ(newMemoryArray("M", selection({{1, 2}})), 0);
    struct Case {
        const char* name;  // the object a failure must not leave
        std::function<ArrayPtr()> make;
        Code code;
    };
    const Case cases[] = {
        {"X", [] { return args(intScalar(5), intScalar(3), selection({{1}})); }, kBadType},
        {"X", [] { return args(chars("X")); }, kBadKind},
        {"F.X", [] { return args(chars("F.X"), intScalar(4), intScalar(8)); }, kBadParent},
        {"M.X", [] { return args(chars("M.X"), intScalar(2), intScalar(1), chars("f.arr")); }, kBadParent},
        {"M.X", [] { return args(chars("M.X"), intScalar(4), intScalar(0)); }, kUnsuited},
        {"M.X", [] { return args(chars("M.X"), intScalar(4), intScalar(8), chars("ab")); }, kNoMemory},
        {"X", [] { return args(chars("X"), intScalar(3)); }, kNotVector},
        {"X", [] { return args(chars("X"), intScalar(2), intScalar(1), chars("missing.arr")); }, kFileError},
        {"X", [] { return args(chars("X"), intScalar(2), intScalar(1)); }, kRange},
        {"X", [] { return args(chars("X"), intScalar(2), intScalar(0), chars("x.arr"), selection({{1}}),
                               test::fileDescriptor()); }, kRange},
        {"X", [] { return create(selection({{1}}), 1, args(chars("A"), intScalar(3))); }, kBadType},
        {"X", [] { return create(selection({{1}, {2}}), 1); }, kRange},
        {"1X", [] { return args(chars("1X"), intScalar(3), selection({{1}})); }, kBadName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.code);
        EXPECT_EQ(codeOfCall(New, c.make()), int32_t(c.code));
        EXPECT_EQ(find(c.name), nullptr);
    }
    EXPECT_FALSE(test::exists(path("x.arr")));  // bad arguments never reach the disk
    // A plain id vector is the selection of a rank-one file.
    EXPECT_EQ(codeOfCall(New, create(test::ints({1}), 1)), 0);
}

TEST_F(NewTest, AnExistingNameIsLeftAsItWas) {
    ASSERT_EQ(newMemoryArray("M", selection({{1, 2, 3}})), 0);
    NamedObject* before = find("M");
    EXPECT_EQ(newMemoryArray("M", selection({{1}})), int32_t(kExists));
    EXPECT_EQ(newFile("M", "m.arr", {{1}}), int32_t(kExists));
    EXPECT_EQ(find("M"), before);
    EXPECT_EQ(as<MemoryArrayObject>(before)->structure.cells, 3u);
    EXPECT_FALSE(test::exists(path("m.arr")));
}

TEST_F(NewTest, CreateReplacesAFileAndMakesTheNamedItems) {
    test::writeFile(path("x.arr"), std::string(5000, 'x'));
    ASSERT_EQ(codeOfCall(New, create(selection({{1, 2}}), 1, args(chars("AuditRec"), chars("Plan")))), 0);
    NamedObject* f = find("X");
    ASSERT_EQ(f->children.size(), 3u);
    EXPECT_EQ(f->children[1]->name, "AuditRec");
    EXPECT_EQ(item("X.Plan")->itemIndex, 2);
    EXPECT_EQ(item("X.Plan")->flags, 0x80000008u);
    EXPECT_LT(test::readFile(path("x.arr")).size(), 5000u);
    // One name as a plain character vector.
    ASSERT_EQ(close("X"), 0);
    ASSERT_EQ(codeOfCall(New, create(selection({{1}}), 1, chars("AuditRec"))), 0);
    EXPECT_EQ(find("X")->children[1]->name, "AuditRec");
}

TEST_F(NewTest, MemoryItemsLiveInMemoryAndHoldEveryCell) {
    std::vector<int32_t> ids(33);  // one bit more than four bytes
    for (int32_t k = 0; k < 33; ++k) ids[k] = k + 1;
    ASSERT_EQ(newMemoryArray("M", selection({ids})), 0);
    std::initializer_list<int> bits = {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    ASSERT_EQ(codeOfCall(New, args(chars("M.Bits"), intScalar(4), intScalar(1), test::bools(bits))), 0);
    EXPECT_EQ(get("M.Bits").cells, std::vector<double>(bits.begin(), bits.end()));
    // The residency the caller names is ignored.
    ASSERT_EQ(codeOfCall(New, args(chars("M.Other"), intScalar(4), intScalar(int32_t(0x80000008u)))), 0);
    EXPECT_EQ(item("M.Other")->flags, 0x20000008u);
    EXPECT_EQ(get("M.Other").cells, std::vector<double>(33, 0));
}

TEST_F(NewTest, CloseCodesAndTheRootGone) {
    ASSERT_EQ(newFile("F", "f.arr", {{1, 2}}), 0);
    EXPECT_EQ(close("F"), 0);
    EXPECT_EQ(close("F"), int32_t(kNotFound));
    EXPECT_EQ(codeOfCall(Close, args(intScalar(1))), int32_t(kBadType));
    EXPECT_EQ(close("."), 0);
    EXPECT_EQ(newMemoryArray("M", selection({{2}})), int32_t(kNoRoot));
}

}  // namespace
}  // namespace zrt
