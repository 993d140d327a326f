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

TEST_F(Names, EachSelectorSetsItsOwnList) {
    struct Case {
        int32_t selector;
        const char* text;
        bool longName, month;
        int32_t position;
        const char* expected;
    };
    const Case cases[] = {
        {1, "/Januar/Februar/Marz/April/Mai/Juni/Juli/August/September/Oktober/November/Dezember/",
         true, true, 3, "Marz"},
        {2, ",Sonntag,Montag,Dienstag,Mittwoch,Donnerstag,Freitag,Samstag,", true, false, 1,
         "Montag"},
        {3, "|Ja|Fe|Mr|Ap|My|Jn|Jl|Au|Se|Oc|No|De|", false, true, 12, "De"},
        {0, "-A-B-C-D-E-F-G-", false, false, 0, "A"},    // any other selector: short days
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_EQ(DateInit(c.selector, c.text), 0u);
        std::string_view got = c.month ? MonthName(c.longName, c.position)
                                       : DayName(c.longName, c.position);
        EXPECT_EQ(got, c.expected);
    }
    EXPECT_EQ(MonthName(true, 1), "Januar");  // the lists do not disturb each other
    EXPECT_EQ(MonthName(false, 1), "Ja");
}

// Too few names (the host scripts hold the short list and the null text) leave the list as it
// was; names past the last one needed are ignored, and empty names are names.
TEST_F(Names, TooFewClosedNamesAreRefusedButExtraAndEmptyNamesAreAccepted) {
    ASSERT_EQ(DateInit(3, "|Ja|Fe|Mr|Ap|My|Jn|Jl|Au|Se|Oc|No|De|"), 0u);
    EXPECT_EQ(DateInit(3, "/Jan/Feb/Mar/Apr/May/Jun/Jul/Aug/Sep/Oct/Nov/Dec"), 10001u);
    EXPECT_EQ(DateInit(3, "/"), 10001u);
    EXPECT_EQ(MonthName(false, 12), "De");
    ASSERT_EQ(DateInit(2, "/1/2/3/4/5/6/7/8/9/"), 0u);
    EXPECT_EQ(DayName(true, 6), "7");
    ASSERT_EQ(DateInit(4, "////////"), 0u);
    EXPECT_EQ(DayName(false, 3), "");
}

}  // namespace
}  // namespace zrt
