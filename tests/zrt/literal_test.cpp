// Reading the literal notation: the arrays that literals make, types included, and the one-line
// messages with columns for literals that are wrong.
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
    const double inf = HUGE_VAL;
    const Case cases[] = {
        // numbers take the narrowest type
        {"1", typed(kBool, {}, {1})},
        {"0 1 1", typed(kBool, {3}, {0, 1, 1})},
        {"3", typed(kInt8, {}, {3})},
        {"¯128 127", typed(kInt8, {2}, {-128, 127})},
        {"1 2 300", typed(kInt16, {3}, {1, 2, 300})},
        {"70000 ¯1", typed(kInt32, {2}, {70000, -1})},
        {"3000000000", typed(kDouble, {}, {3e9})},
        {"1.0", typed(kBool, {}, {1})},
        {"¯1.5 -1.5 .5", typed(kDouble, {3}, {-1.5, -1.5, 0.5})},
        {"2e10 1E¯2 1e-2 1e+2", typed(kDouble, {4}, {2e10, 0.01, 0.01, 100})},
        {"∞ ¯∞", typed(kDouble, {2}, {inf, -inf})},
        {"⍬", typed(kBool, {0}, {})},
        // strings
        {"'abc'", charVector("abc")},
        {"'a'", charScalar('a')},
        {"''", charVector("")},
        {"'it''s'", charVector("it's")},
        {"''''", charScalar('\'')},
        {"'Ä ÿ'", charVector("\xC4 \xFF")},
        // strands: bare numbers or bare characters join, anything else nests
        {"'a' 'b'", charVector("ab")},
        {"'ab' 'c'", nestedArray({2}, {charVector("ab"), charScalar('c')})},
        {"1 'a'", nestedArray({2}, {typed(kBool, {}, {1}), charScalar('a')})},
        {"1 (2)", nestedArray({2}, {typed(kBool, {}, {1}), typed(kInt8, {}, {2})})},
        {"(1 2)", typed(kInt8, {2}, {1, 2})},
        {"(((7)))", typed(kInt8, {}, {7})},
        {"1 ⍬", nestedArray({2}, {typed(kBool, {}, {1}), typed(kBool, {0}, {})})},
        // functions
        {",5", typed(kInt8, {1}, {5})},
        {",'a'", charVector("a")},
        {"⊂1 2", nestedArray({}, {typed(kInt8, {2}, {1, 2})})},
        {"⊂7", nestedArray({}, {typed(kInt8, {}, {7})})},
        {",⊂'ab'", nestedArray({1}, {charVector("ab")})},
        {"2 3⍴1 2 3 4 5 6", typed(kInt8, {2, 3}, {1, 2, 3, 4, 5, 6})},
        {"2 2⍴1 0", typed(kBool, {2, 2}, {1, 0, 1, 0})},
        {"3⍴⍬", typed(kBool, {3}, {0, 0, 0})},
        {"2⍴''", charVector("  ")},
        {"⍬⍴5", typed(kInt8, {}, {5})},
        {"2 1⍴'ab' 'c'", nestedArray({2, 1}, {charVector("ab"), charScalar('c')})},
        {"0⍴⊂'ab'", nestedArray({0}, {charVector("ab")})},
        {"2 0⍴'x'", chars({2, 0}, "")},
        {"int32 0 1", typed(kInt32, {2}, {0, 1})},
        {"double 1 2", typed(kDouble, {2}, {1, 2})},
        {"int8 ⍬", typed(kInt8, {0}, {})},
        {"int16 2 2⍴1", typed(kInt16, {2, 2}, {1, 1, 1, 1})},
        {"bool 1.0 0", typed(kBool, {2}, {1, 0})},
        {"⎕UCS 65 66", charVector("AB")},
        {"⎕UCS 'AB'", typed(kInt8, {2}, {65, 66})},
        {"⎕UCS 2 1⍴200 10", chars({2, 1}, "\xC8\n")},
        {"'ab',⎕UCS 13 10", chars({4}, "ab\r\n")},
        {"(⎕UCS 9),'a'", chars({2}, "\ta")},
        {"1 2,300", typed(kInt16, {3}, {1, 2, 300})},
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

TEST(Literal, NaNReadsAsANaN) {
    Value v = parseLiteral("NaN 1.5");
    ASSERT_EQ(v.type, kDouble);
    EXPECT_TRUE(std::isnan(v.numbers[0]));
}

TEST(Literal, MistakesAreReportedWithTheirColumn) {
    struct Case {
        const char* text;
        uint32_t column;
        const char* message;  // a part of it
    };
    const Case cases[] = {
        {"", 1, "a value is missing"},
        {"'abc", 1, "no closing quote"},
        {"1 2 ⍟", 5, "unexpected '⍟'"},
        {"⍬ ⍟", 3, "unexpected '⍟'"},
        {"(1 2", 1, "'(' without ')'"},
        {"1 2)", 4, "')' without '('"},
        {"1 ()", 4, "holds no value"},
        {"⍴1", 1, "needs a left argument"},
        {"1 ⊂2", 3, "takes no left argument"},
        {"'a',1", 4, "joins characters to characters"},
        {"(2 2⍴1),1", 8, "scalars and vectors only"},
        {"1 2 ⍴", 6, "a value is missing"},
        {"2.5⍴1", 4, "whole number"},
        {"'a'⍴1", 4, "simple numeric vector"},
        {"1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1⍴0", 32, "at most 15 axes"},
        {"10000 10000⍴0", 12, "at most 16777216 elements"},
        {"int8 300", 1, "300 does not fit 'int8'"},
        {"bool 2", 1, "2 does not fit 'bool'"},
        {"1 int32 1.5", 3, "takes no left argument"},
        {"int32 1.5", 1, "1.5 does not fit 'int32'"},
        {"int8 'a'", 1, "simple numeric array"},
        {"⎕UCS 256", 1, "0 to 255"},
        {"⎕UCS ⊂1", 1, "characters or numbers"},
        {"'a⍴'", 3, "not a one-byte character"},
        {"'⍝' ⍝ a lamp in a string is not a comment", 2, "not a one-byte character"},
        {"1e", 1, "exponent needs digits"},
        {"1.2.3", 1, "malformed number"},
        {"12ab", 1, "malformed number"},
        {"- 1", 1, "needs digits"},
        {"1e999", 1, "out of the range"},
        {"foo 1", 1, "unknown function 'foo'"},
        {"1 \xFF", 3, "not valid UTF-8"},
        {"'\xE2\x8D'", 2, "not valid UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            parseLiteral(c.text);
            ADD_FAILURE() << "no error";
        } catch (const HostError& e) {
            EXPECT_EQ(e.column(), c.column);
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
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

TEST(Literal, ColumnsCountFromTheStartOfTheLine) {
    std::string line = "New 'a' ⍬ ⍟";
    try {
        parseLiteral(line, 4);
        ADD_FAILURE() << "no error";
    } catch (const HostError& e) {
        EXPECT_EQ(e.column(), 11u);
    }
}

TEST(Arguments, EachItemIsOneArgumentWithItsColumn) {
    std::string line = "Copy 'a' 'b' 3 (1 2) ⍬ (⊂'x')";
    std::vector<Argument> args = parseArguments(line, 5);
    ASSERT_EQ(args.size(), 6u);
    EXPECT_EQ(args[0].value, charScalar('a'));
    EXPECT_EQ(args[1].value, charScalar('b'));
    EXPECT_EQ(args[2].value, numberScalar(3));
    EXPECT_EQ(args[3].value, typed(kInt8, {2}, {1, 2}));
    EXPECT_EQ(args[4].value, typed(kBool, {0}, {}));
    EXPECT_EQ(args[5].value, enclose(charScalar('x')));
    const uint32_t columns[] = {6, 10, 14, 16, 22, 24};
    for (size_t i = 0; i < args.size(); ++i) EXPECT_EQ(args[i].column, columns[i]);
    EXPECT_TRUE(parseArguments("Init", 4).empty());
}

TEST(Arguments, AFunctionOutsideParenthesesIsAMistake) {
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
