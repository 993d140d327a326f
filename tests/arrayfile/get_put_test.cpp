// Get and Put through the exports, on memory and file items.
#include <gtest/gtest.h>

#include <functional>

#include "fixture.h"

namespace zrt {
namespace {

using test::args;
using test::chars;
using test::doubles;
using test::intScalar;

class GetPut : public test::ArrayFiles {
protected:
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", {{1, 2, 3}, {10, 20}, {5, 6}}), 0);
        ASSERT_EQ(put("F.Data", doubles({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})), 0);
        ASSERT_EQ(test::codeOfCall(New, args(chars("F.M"), intScalar(3),
                                             args(chars("all"), intScalar(20), chars("all")))), 0);
    }
};

TEST_F(GetPut, WholeItemsHaveTheShapeOfTheirOpenDimensions) {
    for (const char* item : {"F.Data", "F.M.Data"}) {
        SCOPED_TRACE(item);
        test::Values v = get(item);
        ASSERT_EQ(v.code, 0);
        EXPECT_EQ(v.type, kDouble);
    }
    EXPECT_EQ(get("F.Data").shape, (std::vector<uint32_t>{3, 2, 2}));
    EXPECT_EQ(get("F.M.Data").shape, (std::vector<uint32_t>{3, 2}));
    EXPECT_EQ(get("F.M.Data").cells, (std::vector<double>{3, 4, 7, 8, 11, 12}));
}

TEST_F(GetPut, SelectionsReorderRepeatAndDropScalars) {
    test::Values v = get("F.Data", args(test::idVector({3, 1, 3}), intScalar(20), test::idVector({6, 5})));
    EXPECT_EQ(v.shape, (std::vector<uint32_t>{3, 2}));
    EXPECT_EQ(v.cells, (std::vector<double>{12, 11, 4, 3, 12, 11}));
    v = get("F.M.Data", args(test::idVector({2}), chars("x")));
    EXPECT_EQ(v.shape, (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(v.cells, (std::vector<double>{7, 8}));
    v = get("F.Data", args(test::idVector({}), chars("x"), chars("x")));
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.shape, (std::vector<uint32_t>{0, 2, 2}));
}

TEST_F(GetPut, PutThroughASelectionCountsOnlyCells) {
    for (const char* item : {"F.Data", "F.M.Data"}) {
        SCOPED_TRACE(item);
        bool file = std::string(item) == "F.Data";
        ArrayPtr sel = file ? args(test::idVector({3, 1}), intScalar(10), test::idVector({6, 5, 6}))
                            : args(test::idVector({3, 1}), test::idVector({6, 5, 6}));
        uint32_t shape[2] = {3, 2};
        ArrayPtr matrix(AllocArray(kInt32, 2, shape));
        for (int32_t k = 0; k < 6; ++k) {
            int32_t value = 100 + k;
            std::memcpy(dataOf(matrix.get()) + 4 * k, &value, 4);
        }
        ASSERT_EQ(put(item, std::move(matrix), std::move(sel)), 0);
        std::vector<double> cells = get(item).cells;
        // Id 6 is written twice: the later value wins.
        if (file) {
            EXPECT_EQ(cells[8], 101);   // (3, 10, 5)
            EXPECT_EQ(cells[9], 102);   // (3, 10, 6)
            EXPECT_EQ(cells[1], 105);   // (1, 10, 6)
            EXPECT_EQ(cells[0], 104);
        } else {
            EXPECT_EQ(cells, (std::vector<double>{104, 105, 7, 8, 101, 102}));
        }
    }
}

TEST_F(GetPut, BitItemsReadAndWriteBooleans) {
    ASSERT_EQ(test::codeOfCall(New, args(chars("F.M.Flags"), intScalar(4), intScalar(1))), 0);
    ASSERT_EQ(put("F.M.Flags", test::bools({1, 0, 0, 1, 0, 1})), 0);
    test::Values v = get("F.M.Flags");
    EXPECT_EQ(v.type, kBool);
    EXPECT_EQ(v.cells, (std::vector<double>{1, 0, 0, 1, 0, 1}));
    ASSERT_EQ(put("F.M.Flags", test::bools({1, 1}), args(test::idVector({2}), test::idVector({5, 6}))), 0);
    EXPECT_EQ(get("F.M.Flags").cells, (std::vector<double>{1, 0, 1, 1, 0, 1}));
    EXPECT_EQ(put("F.M.Flags", test::ints({1, 0, 0, 1, 0, 1})), int32_t(kBadType));
}

TEST_F(GetPut, Refusals) {
    struct Case {
        const char* name;
        std::function<int32_t()> call;
        Code code;
    };
    const Case cases[] = {
        {"get: no name", [] { return test::getValues(args(intScalar(3))).code; }, kBadType},
        {"get: not an item", [this] { return get("F").code; }, kWrongKind},
        {"get: no such item", [this] { return get("F.Nothing").code; }, kNotFound},
        {"get: selection too short", [this] { return get("F.Data", args(intScalar(1))).code; }, kRange},
        {"get: selection not a vector", [this] { return get("F.Data", intScalar(1)).code; }, kNotVector},
        {"get: unknown id", [this] { return get("F.Data", args(intScalar(4), chars("x"), chars("x"))).code; }, kBadType},
        {"put: no values", [] { return test::codeOfCall(Put, args(chars("F.Data"))); }, kRange},
        {"put: too few values", [this] { return put("F.Data", doubles({1})); }, kBadType},
        {"put: text", [this] { return put("F.Data", chars("abcdefghijkl")); }, kNoMemory},
        {"put: unknown id", [this] { return put("F.Data", doubles({1}), args(intScalar(1), intScalar(10), intScalar(7))); }, kBadType},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(), int32_t(c.code));
    }
    EXPECT_EQ(get("F.Data").cells[0], 1);  // no refusal wrote anything
}

}  // namespace
}  // namespace zrt
