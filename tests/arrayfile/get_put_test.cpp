// Get and Put through the exports on file items and on a memory array cut with a fixed id.
#include <gtest/gtest.h>

#include <cstring>

#include "fixture.h"

namespace zrt {
namespace {

using test::args;
using test::chars;
using test::doubles;
using test::idVector;
using test::intScalar;
using Cells = std::vector<double>;

class GetPut : public test::ArrayFiles {
protected:
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", {{1, 2, 3}, {10, 20}, {5, 6}}), 0);
        ASSERT_EQ(put("F.Data", doubles({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})), 0);
        ASSERT_EQ(newMemoryArray("F.M", args(chars("all"), intScalar(20), chars("all"))), 0);
    }
};

TEST_F(GetPut, SelectionsReorderRepeatAndDropScalars) {
    test::Values v = get("F.Data");
    EXPECT_EQ(v.type, kDouble);
    EXPECT_EQ(v.shape, (std::vector<uint32_t>{3, 2, 2}));
    v = get("F.M.Data");
    EXPECT_EQ(v.shape, (std::vector<uint32_t>{3, 2}));
    EXPECT_EQ(v.cells, (Cells{3, 4, 7, 8, 11, 12}));
    v = get("F.Data", args(idVector({3, 1, 3}), intScalar(20), idVector({6, 5})));
    EXPECT_EQ(v.shape, (std::vector<uint32_t>{3, 2}));
    EXPECT_EQ(v.cells, (Cells{12, 11, 4, 3, 12, 11}));
    v = get("F.Data", args(idVector({}), chars("x"), chars("x")));
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.shape, (std::vector<uint32_t>{0, 2, 2}));
}

TEST_F(GetPut, PutThroughASelectionCountsOnlyCellsAndTheLaterWriteWins) {
    uint32_t shape[2] = {3, 2};
    ArrayPtr matrix(AllocArray(kInt32, 2, shape));
    for (int32_t k = 0; k < 6; ++k) {
        int32_t value = 100 + k;
        std::memcpy(dataOf(matrix.get()) + 4 * k, &value, 4);
    }
    // Id 6 is written twice.
    ASSERT_EQ(put("F.Data", std::move(matrix), args(idVector({3, 1}), intScalar(10), idVector({6, 5, 6}))), 0);
    EXPECT_EQ(get("F.Data").cells, (Cells{104, 105, 3, 4, 5, 6, 7, 8, 101, 102, 11, 12}));
}

TEST_F(GetPut, Refusals) {
    struct Case {
        const char* name;
        int32_t code;
        Code want;
    } cases[] = {
        {"get: no name", test::getValues(args(intScalar(3))).code, kBadType},
        {"get: selection not a vector", get("F.Data", intScalar(1)).code, kNotVector},
        {"get: an id the file lacks", get("F.Data", args(intScalar(4), chars("x"), chars("x"))).code, kBadType},
        {"put: no values", test::codeOfCall(Put, args(chars("F.Data"))), kRange},
        {"put: too few values", put("F.Data", doubles({1})), kBadType},
        {"put: an id the file lacks", put("F.Data", doubles({1}), args(intScalar(1), intScalar(10), intScalar(7))), kBadType},
    };
    for (const Case& c : cases) EXPECT_EQ(c.code, int32_t(c.want)) << c.name;
    EXPECT_EQ(get("F.Data").cells[0], 1);  // no refusal wrote anything
}

}  // namespace
}  // namespace zrt
