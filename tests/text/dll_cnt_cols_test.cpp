// DllCntCols over real files: the widest line of the first block.
#include <gtest/gtest.h>

#include <string>

#include "support/arrays.h"
#include "text/classic_file.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::ClassicFile;

// The count, or the code of a failed call.
int32_t countColumns(int32_t handle, int32_t block = 1024, const std::string& marks = "\",") {
    ArrayPtr r(DllCntCols(
        test::args(test::intScalar(handle), test::chars(marks), test::intScalar(block)).get()));
    if (int32_t code = test::codeOf(r.get())) return code;
    const APLArray* v = test::valueOf(r.get());
    EXPECT_EQ(cellCount(v), 1u);
    return static_cast<int32_t>(test::numbersOf(v).at(0));
}

TEST(DllCntCols, LargestFieldCountOfTheFirstBlock) {
    struct Case { const char* name; std::string content; int32_t count; };
    const Case cases[] = {
        {"lines of 3, 5 and 4 fields", "a,b,c\r\n1,2,3,4,5\r\nw,x,y,z\r\n", 5},
        {"last line without line end is counted", "a\r\nb,c,d,e", 4},
    };
    for (const Case& c : cases) EXPECT_EQ(countColumns(ClassicFile(c.content).handle()), c.count) << c.name;
}

TEST(DllCntCols, OnlyTheFirstBlockCountsAndThePositionStaysBehindIt) {
    std::string content = "a,b\r\n" + std::string(2000, 'x') + ",y,z,w\r\n";
    ClassicFile file(content);
    // The cut line is not counted: it is not the last block.
    EXPECT_EQ(countColumns(file.handle()), 2);
    EXPECT_EQ(file.position(), 1023);
    EXPECT_EQ(platform::classicSeek(file.handle(), 0, 0), 0);
    EXPECT_EQ(countColumns(file.handle(), 4096), 4);
    EXPECT_EQ(file.position(), static_cast<int32_t>(content.size()));
    EXPECT_EQ(countColumns(-1), 10039);  // a bad handle

    ClassicFile noLineEnd(std::string(2000, 'x'));
    EXPECT_EQ(countColumns(noLineEnd.handle()), -1);  // no line in the block
    ClassicFile small("a,b\r\n");
    EXPECT_EQ(countColumns(small.handle(), 2), -1);  // one byte read, no line in it
}

TEST(DllCntCols, RefusedArgumentsReadNothing) {
    ClassicFile file("a,b\r\n");
    EXPECT_EQ(countColumns(file.handle(), 1), 10004);
    EXPECT_EQ(countColumns(file.handle(), 1024, ","), 10004);
    EXPECT_EQ(test::codeOf(ArrayPtr(DllCntCols(nullptr)).get()), 10004);
    EXPECT_EQ(file.position(), 0);
}

}  // namespace
}  // namespace zrt
