// Reading the literal notation: the arrays that literals make, types included, and the one-line
// messages with columns for literals that are wrong. (The host's notation script shows the
// common forms; these are the boundaries and the rarer paths.)
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "notation/literal.h"
#include "notation/printer.h"

namespace zrt::host {
namespace {

Value typed(uint32_t type, std::vector<uint32_t> shape, std::vector<double> numbers) {
    Value v;
    v.type = type;
    v.shape = std::move(shape);
    v.numbers = std::move(numbers);
    return v;
}

Value chars(std::vector<uint32_t> shape, std::string text) {
    Value v = charVector(std::move(text));
    v.shape = std::move(shape);
    return v;
}

TEST(Literal, MakesTheArraysItsTextDescribes) {
    struct Case {
        const char* text;
        Value expected;
    };
    const Case cases[] = {
        // numbers take the narrowest type, in any of their forms
        {"¯128 127", typed(kInt8, {2}, {-128, 127})},
        {"¯1.5 -1.5 .5", typed(kDouble, {3}, {-1.5, -1.5, 0.5})},
        {"2e10 1E¯2 1e-2 1e+2", typed(kDouble, {4}, {2e10, 0.01, 0.01, 100})},
        {"''''", charScalar('\'')},
        // strands: bare numbers or bare characters join, anything else nests
        {"1 (2)", nestedArray({2}, {typed(kBool, {}, {1}), typed(kInt8, {}, {2})})},
        {"1 ⍬", nestedArray({2}, {typed(kBool, {}, {1}), typed(kBool, {0}, {})})},
        // functions
        {"⍬⍴5", typed(kInt8, {}, {5})},
        {"2 1⍴'ab' 'c'", nestedArray({2, 1}, {charVector("ab"), charScalar('c')})},
        {"2 0⍴'x'", chars({2, 0}, "")},
        {"int16 2 2⍴1", typed(kInt16, {2, 2}, {1, 1, 1, 1})},
        {"⎕UCS 2 1⍴200 10", chars({2, 1}, "\xC8\n")},
        {"(int32 1),1", typed(kInt32, {2}, {1, 1})},
        {"⍬,⍬", typed(kBool, {0}, {})},
        // blanks and comments
        {"\t1  2 ⍝ 3 4", typed(kInt8, {2}, {1, 2})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        Value got = parseLiteral(c.text);
        EXPECT_EQ(got, c.expected) << "printed back: " << printValue(got);
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
        {"⍬ ⍟", 3, "unexpected '⍟'"},
        {"1 ()", 4, "holds no value"},
        {"⍴1", 1, "needs a left argument"},
        {"'a',1", 4, "joins characters to characters"},
        {"(2 2⍴1),1", 8, "scalars and vectors only"},
        {"'a'⍴1", 4, "simple numeric vector"},
        {"1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1⍴0", 32, "at most 15 axes"},
        {"10000 10000⍴0", 12, "at most 16777216 elements"},
        {"int32 1.5", 1, "1.5 does not fit 'int32'"},
        {"int8 'a'", 1, "simple numeric array"},
        {"⎕UCS 256", 1, "0 to 255"},
        {"'⍝' ⍝ a lamp in a string is not a comment", 2, "not a one-byte character"},
        {"1.2.3", 1, "malformed number"},
        {"- 1", 1, "needs digits"},
        {"1e999", 1, "out of the range"},
        {"foo 1", 1, "unknown function 'foo'"},
        {"1 \xFF", 3, "not valid UTF-8"},
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

TEST(Arguments, EachItemIsOneArgumentWithItsColumn) {
    std::string line = "Copy 'a' 'b' 3 (1 2) ⍬ (⊂'x')";
    std::vector<Argument> args = parseArguments(line, 5);
    ASSERT_EQ(args.size(), 6u);
    const Value values[] = {charScalar('a'),  charScalar('b'),           numberScalar(3),
                            parseLiteral("1 2"), parseLiteral("⍬"), enclose(charScalar('x'))};
    const uint32_t columns[] = {6, 10, 14, 16, 22, 24};
    for (size_t i = 0; i < args.size(); ++i) {
        EXPECT_EQ(args[i].value, values[i]);
        EXPECT_EQ(args[i].column, columns[i]);
    }
    EXPECT_TRUE(parseArguments("Init", 4).empty());
    try {
        parseArguments("X 1 ⊂2", 1);
        ADD_FAILURE() << "no error";
    } catch (const HostError& e) {
        EXPECT_EQ(e.column(), 5u);
        EXPECT_NE(std::string(e.what()).find("in parentheses"), std::string::npos);
    }
}

}  // namespace
}  // namespace zrt::host
