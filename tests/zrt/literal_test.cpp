// Reading the literal notation: the arrays that literals make, types included, and the one-line
// messages with columns for literals that are wrong. (The host's notation script shows the
// common forms; these are the boundaries and the rarer paths.)
#include <gtest/gtest.h>

#include <string>

#include "notation/literal.h"
#include "notation/printer.h"

namespace zrt::host {
namespace {

// Each literal as the printer writes it back, which names a type wherever the narrowest
// would not give it back.
TEST(Literal, MakesTheArraysItsTextDescribes) {
    const char* const cases[][2] = {
        {"¯128 127", "¯128 127"},
        {"¯1.5 -1.5 .5", "¯1.5 ¯1.5 0.5"},
        {"2e10 1E¯2 1e-2 1e+2 ¯2.5E¯7", "2E10 0.01 0.01 100 ¯2.5E¯7"},
        {"1 (2)", "(1) (2)"},
        {"2 1⍴'ab' 'c'", "2 1⍴'ab' 'c'"},
        {"2 0⍴'x'", "2 0⍴''"},
        {"⎕UCS 2 1⍴200 10", "⎕UCS 2 1⍴200 10"},
        {"(int32 1),1", "int32 1 1"},
        {"⍬,⍬", "⍬"},
        {"\t1  2 ⍝ 3 4", "1 2"},
        {"¯0 1", "0 1"},  // a Boolean 0 has no sign
        {"¯0.5 ¯0", "¯0.5 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        EXPECT_EQ(printValue(parseLiteral(c[0])), c[1]);
    }
}

// The column of a mistake counts from the start of the line the literal stands in.
TEST(Literal, MistakesAreReportedWithTheirColumn) {
    struct Case {
        const char* text;
        uint32_t column;
        const char* message;  // a part of it
    };
    const Case cases[] = {
        {"", 1, "a value is missing"},
        {"1 ()", 4, "holds no value"},
        {"⍴1", 1, "needs a left argument"},
        {"'a',1", 4, "joins characters to characters"},
        {"(2 2⍴1),1", 8, "scalars and vectors only"},
        {"1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1⍴0", 32, "at most 15 axes"},
        {"10000 10000⍴0", 12, "at most 16777216 elements"},
        // The limit is for the whole literal, however its parts nest.
        {"22018⍴⊂,22018⍴⊂2", 6, "at most 16777216 elements"},
        {"int8 'a'", 1, "simple numeric array"},
        {"⎕UCS 256", 1, "0 to 255"},
        {"'⍝' ⍝ a lamp in a string is not a comment", 2, "not a one-byte character"},
        {"1e999", 1, "out of the range"},
        {"'\xE2\x8D'", 2, "not valid UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        for (uint32_t start : {0u, 4u}) {
            try {
                parseLiteral(std::string(start, ' ') + c.text, start);
                ADD_FAILURE() << "no error";
            } catch (const HostError& e) {
                EXPECT_EQ(e.column(), start + c.column);
                EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
            }
        }
    }
}

TEST(Literal, DeepNestingIsRefusedNotRecursedInto) {
    for (const std::string& text : {std::string(10000, '(') + "1", std::string(10000, ',') + "1",
                                    std::string(10000, '(') + "1" + std::string(10000, ')')}) {
        EXPECT_THROW(parseLiteral(text), HostError);
    }
    std::string fine = std::string(50, '(') + "1" + std::string(50, ')');
    EXPECT_EQ(parseLiteral(fine), numberScalar(1));
}

}  // namespace
}  // namespace zrt::host
