// New: every kind, its codes, and nothing left behind by a failure.
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

class NewTest : public test::ArrayFiles {
protected:
    NamedObject* find(const char* name) {
        NamedObject* o = nullptr;
        LocateObject(name, kAnyKind, o);
        return o;
    }
    ArrayPtr createArgs(const char* name, const char* file) {
        return args(chars(name), intScalar(2), intScalar(0), chars(file), test::selection({{1, 2}}),
                    test::fileDescriptor(), test::dimDescriptors(1));
    }
};

TEST_F(NewTest, CodesAndNoObjectLeftBehind) {
    ASSERT_EQ(newFile("F", "f.arr", {{1, 2}}), 0);
    ASSERT_EQ(newMemoryArray("M", test::selection({{1, 2}})), 0);
    struct Case {
        const char* name;    // the object a failure must not leave
        std::function<ArrayPtr()> make;
        Code code;
    };
    const Case cases[] = {
        {"X", [] { return args(intScalar(5), intScalar(3), test::selection({{1}})); }, kBadType},
        {"X", [] { return args(chars("X")); }, kBadKind},
        {"X", [] { return args(chars("X"), intScalar(1)); }, kBadKind},
        {"X", [] { return args(chars("X"), intScalar(6)); }, kBadKind},
        {"X", [] { return args(chars("X"), test::doubles({3.5})); }, kBadKind},
        {"X", [] { return args(chars("X"), intScalar(5)); }, kBadParent},
        {"F.X", [] { return args(chars("F.X"), intScalar(4), intScalar(8)); }, kBadParent},
        {"M.X", [] { return args(chars("M.X"), intScalar(2), intScalar(1), chars("f.arr")); }, kBadParent},
        {"M.X", [] { return args(chars("M.X"), intScalar(3), test::selection({{1}})); }, kBadParent},
        {"X", [] { return args(chars("X"), intScalar(4), intScalar(8)); }, kBadParent},
        {"M.X", [] { return args(chars("M.X"), intScalar(4), intScalar(0)); }, kUnsuited},
        {"M.X", [] { return args(chars("M.X"), intScalar(4), intScalar(9)); }, kUnsuited},
        {"M.X", [] { return args(chars("M.X"), intScalar(4), intScalar(8), test::ints({1})); }, kBadType},
        {"M.X", [] { return args(chars("M.X"), intScalar(4), intScalar(8), chars("ab")); }, kNoMemory},
        {"M.X", [] { return args(chars("M.X"), intScalar(4), intScalar(1), test::ints({1, 0})); }, kBadType},
        {"X", [] { return args(chars("X"), intScalar(3)); }, kNotVector},
        {"X", [] { return args(chars("X"), intScalar(2), intScalar(1), chars("missing.arr")); }, kFileError},
        {"X", [] { return args(chars("X"), intScalar(2), intScalar(1)); }, kRange},
        {"X", [] { return args(chars("X"), intScalar(2), intScalar(0), chars("x.arr"),
                               test::selection({{1}}), test::fileDescriptor()); }, kRange},
        {"X", [] { return args(chars("X"), intScalar(2), intScalar(0), chars("x.arr"),
                               test::selection({{1}}), test::fileDescriptor(), test::dimDescriptors(1),
                               args(chars("A"), intScalar(3))); }, kBadType},
        {"X", [] { return args(chars("X"), intScalar(2), intScalar(0), chars("x.arr"),
                               test::ints({1}), test::fileDescriptor(), test::dimDescriptors(1)); }, kOk},
        {"Y", [] { return args(chars("Y"), intScalar(2), intScalar(0), chars("y.arr"),
                               test::selection({{1}, {2}}), test::fileDescriptor(), test::dimDescriptors(1)); }, kRange},
        {"1X", [] { return args(chars("1X"), intScalar(3), test::selection({{1}})); }, kBadName},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " " << c.code);
        EXPECT_EQ(codeOfCall(New, c.make()), int32_t(c.code));
        if (c.code != kOk) {
            EXPECT_EQ(find(c.name), nullptr);
        }
    }
    // Bad arguments never reach the disk.
    EXPECT_FALSE(test::exists(path("y.arr")));
}

TEST_F(NewTest, AnExistingNameIsLeftAsItWas) {
    ASSERT_EQ(newMemoryArray("M", test::selection({{1, 2, 3}})), 0);
    NamedObject* before = find("M");
    EXPECT_EQ(newMemoryArray("M", test::selection({{1}})), int32_t(kExists));
    EXPECT_EQ(find("M"), before);
    EXPECT_EQ(as<MemoryArrayObject>(before)->structure.cells, 3u);
    EXPECT_EQ(newFile("M", "m.arr", {{1}}), int32_t(kExists));
    EXPECT_FALSE(test::exists(path("m.arr")));
}

TEST_F(NewTest, CreateReplacesAFileAndMakesTheNamedItems) {
    test::writeFile(path("f.arr"), std::string(5000, 'x'));
    ASSERT_EQ(newFile("F", "f.arr", {{1, 2}}, {"AuditRec", "Plan"}), 0);
    NamedObject* f = find("F");
    ASSERT_EQ(f->children.size(), 3u);
    EXPECT_EQ(f->children[0]->name, "Data");
    EXPECT_EQ(f->children[1]->name, "AuditRec");
    EXPECT_EQ(as<ItemObject>(f->children[2].get())->itemIndex, 2);
    EXPECT_EQ(as<ItemObject>(f->children[2].get())->flags, 0x80000008u);
    EXPECT_LT(test::readFile(path("f.arr")).size(), 5000u);
    // One name as a plain character vector.
    ASSERT_EQ(codeOfCall(New, args(chars("G"), intScalar(2), intScalar(0), chars("g.arr"),
                                   test::selection({{1}}), test::fileDescriptor(),
                                   test::dimDescriptors(1), chars("AuditRec"))), 0);
    EXPECT_EQ(find("G")->children[1]->name, "AuditRec");
}

TEST_F(NewTest, OpeningAFileBringsItsItems) {
    ASSERT_EQ(newFile("F", "f.arr", {{1, 2}, {5, 6, 7}}, {"AuditRec"}), 0);
    ASSERT_EQ(put("F.Data", test::doubles({1, 2, 3, 4, 5, 6})), 0);
    ASSERT_EQ(openFile("G", "f.arr"), 0);
    NamedObject* g = find("G");
    ASSERT_EQ(g->children.size(), 2u);
    EXPECT_EQ(g->children[1]->name, "AuditRec");
    EXPECT_EQ(get("G.Data").cells, (std::vector<double>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(get("G.Data").shape, (std::vector<uint32_t>{2, 3}));
}

TEST_F(NewTest, MemoryItemBuffers) {
    std::vector<int32_t> ids(33);
    for (int32_t k = 0; k < 33; ++k) ids[k] = k + 1;
    ASSERT_EQ(newMemoryArray("M", test::selection({ids})), 0);
    ASSERT_EQ(codeOfCall(New, args(chars("M.Bits"), intScalar(4), intScalar(1))), 0);
    ASSERT_EQ(codeOfCall(New, args(chars("M.Numbers"), intScalar(4), intScalar(8))), 0);
    // The residency the caller names is ignored: a memory item lives in memory.
    ASSERT_EQ(codeOfCall(New, args(chars("M.Other"), intScalar(4), intScalar(int32_t(0x80000008u)))), 0);
    EXPECT_EQ(as<ItemObject>(find("M.Bits"))->buffer.size(), 8u);
    EXPECT_EQ(as<ItemObject>(find("M.Numbers"))->buffer.size(), 264u);
    EXPECT_EQ(as<ItemObject>(find("M.Bits"))->flags, 0x20000001u);
    EXPECT_EQ(as<ItemObject>(find("M.Other"))->flags, 0x20000008u);
    EXPECT_EQ(get("M.Numbers").cells, std::vector<double>(33, 0));
}

TEST_F(NewTest, InitialValuesAreStoredAsPutStoresThem) {
    ASSERT_EQ(newMemoryArray("M", test::selection({{1, 2}, {1, 2, 3}})), 0);
    uint32_t shape[2] = {3, 2};
    ArrayPtr matrix(AllocArray(kInt32, 2, shape));
    for (int32_t k = 0; k < 6; ++k) std::memcpy(dataOf(matrix.get()) + 4 * k, &k, 4);
    ASSERT_EQ(codeOfCall(New, args(chars("M.Data"), intScalar(4), intScalar(8), std::move(matrix))), 0);
    EXPECT_EQ(get("M.Data").cells, (std::vector<double>{0, 1, 2, 3, 4, 5}));
    ASSERT_EQ(codeOfCall(New, args(chars("M.Flags"), intScalar(4), intScalar(1),
                                   test::bools({1, 0, 0, 1, 1, 0}))), 0);
    EXPECT_EQ(get("M.Flags").cells, (std::vector<double>{1, 0, 0, 1, 1, 0}));
}

TEST_F(NewTest, CloseDestroysTheTreeAndTheRoot) {
    ASSERT_EQ(newFile("F", "f.arr", {{1, 2}}), 0);
    ASSERT_EQ(newMemoryArray("F.M", test::selection({{2}})), 0);
    EXPECT_EQ(close("F.M.Data"), 0);
    EXPECT_EQ(find("F.M")->children.size(), 0u);
    EXPECT_EQ(close("F"), 0);
    EXPECT_EQ(find("F"), nullptr);
    EXPECT_EQ(close("F"), int32_t(kNotFound));
    EXPECT_EQ(test::codeOfCall(Close, args(intScalar(1))), int32_t(kBadType));
    ASSERT_EQ(newMemoryArray("M", test::selection({{2}})), 0);
    EXPECT_EQ(close("."), 0);
    EXPECT_EQ(newMemoryArray("M", test::selection({{2}})), int32_t(kNoRoot));
    EXPECT_TRUE(test::exists(path("f.arr")));  // closing never touches the disk file
}

}  // namespace
}  // namespace zrt
