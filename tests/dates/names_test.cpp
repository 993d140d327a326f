#include "dates/names.h"

#include <gtest/gtest.h>

#include <string>

#include "zrt32.h"

namespace zrt {
namespace {

// Every test starts and ends with the lists unset, as at load.
class Names : public ::testing::Test {
protected:
    void SetUp() override { ResetNames(); }
    void TearDown() override { ResetNames(); }
};

// The golden script holds the short lists, the other selectors, the defaults, too short a list
// and the null text.
TEST_F(Names, ListsAreSetApartAndExtraOrEmptyNamesAreAccepted) {
    ASSERT_EQ(DateInit(1, "/Januar/Februar/Marz/April/Mai/Juni/Juli/August/September/Oktober/November/Dezember/"), 0u);
    EXPECT_EQ(MonthName(true, 3), "Marz");
    EXPECT_EQ(MonthName(false, 1), "Jan");
    ASSERT_EQ(DateInit(3, "|Ja|Fe|Mr|Ap|My|Jn|Jl|Au|Se|Oc|No|De|"), 0u);
    EXPECT_EQ(DateInit(3, "/Jan/Feb/Mar/Apr/May/Jun/Jul/Aug/Sep/Oct/Nov/Dec"), 10001u);  // unclosed
    EXPECT_EQ(MonthName(false, 12), "De");
    ASSERT_EQ(DateInit(2, "/1/2/3/4/5/6/7/8/9/"), 0u);
    EXPECT_EQ(DayName(true, 6), "7");
    EXPECT_EQ(DayName(false, 0), "Sun");
    ASSERT_EQ(DateInit(4, "////////"), 0u);
    EXPECT_EQ(DayName(false, 3), "");
}

}  // namespace
}  // namespace zrt
