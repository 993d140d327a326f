// Get and Put through the exports on file items: selections of no ids, values of another type
// and shape, and refusals that write nothing.
#include <gtest/gtest.h>

#include <cstring>

#include "fixture.h"

namespace zrt::test {
namespace {

class GetPut : public ArrayFiles {
protected:
    void SetUp() override {
        ArrayFiles::SetUp();
        ASSERT_EQ(newFile("F", "f.arr", {{1, 2, 3}, {10, 20}, {5, 6}}), 0);
        ASSERT_EQ(put("F.Data", doubles({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12})), 0);
    }
};

TEST_F(GetPut, SelectionsOfNoIdsAndValuesCountedByCells) {
    Values v = get("F.Data", args(idVector({}), chars("x"), chars("x")));
    EXPECT_EQ(v.code, 0);
    EXPECT_EQ(v.type, kDouble);
    EXPECT_EQ(v.shape, (std::vector<uint32_t>{0, 2, 2}));
    // A 3 x 2 integer matrix into a 2 x 1 x 3 selection; id 6 is written twice.
    uint32_t shape[2] = {3, 2};
    ArrayPtr matrix(AllocArray(kInt32, 2, shape));
    for (int32_t k = 0; k < 6; ++k) {
        int32_t value = 100 + k;
        std::memcpy(dataOf(matrix.get()) + 4 * k, &value, 4);
    }
    ASSERT_EQ(put("F.Data", std::move(matrix), args(idVector({3, 1}), intScalar(10), idVector({6, 5, 6}))), 0);
    EXPECT_EQ(get("F.Data").cells, (Cells{104, 105, 3, 4, 5, 6, 7, 8, 101, 102, 11, 12}));
}

TEST_F(GetPut, Refusals) {
    EXPECT_EQ(getValues(args(intScalar(3))).code, int32_t(kBadType));
    EXPECT_EQ(get("F.Data", intScalar(1)).code, int32_t(kNotVector));
    EXPECT_EQ(codeOfCall(Put, args(chars("F.Data"))), int32_t(kRange));
    EXPECT_EQ(put("F.Data", doubles({1}), args(intScalar(1), intScalar(10), intScalar(7))), int32_t(kBadType));
    EXPECT_EQ(get("F.Data").cells[0], 1);
}

}  // namespace
}  // namespace zrt::test
