// Printing arrays: what is printed reads back as an equal array of the same types, and the
// printed forms are the ones the documentation shows (the host's notation script shows the
// common ones).
#include <gtest/gtest.h>

#include <cmath>

#include "corpus.h"
#include "notation/literal.h"
#include "notation/printer.h"

namespace zrt::host {
namespace {

TEST(Printer, WhatItPrintsReadsBackEqualWithTypes) {
    for (const Value& v : test::corpus()) {
        std::string text = printValue(v);
        SCOPED_TRACE(text);
        Value back;
        try {
            back = parseLiteral(text);
        } catch (const HostError& e) {
            ADD_FAILURE() << "column " << e.column() << ": " << e.what();
            continue;
        }
        EXPECT_EQ(back, v);
        EXPECT_EQ(printValue(back), text);
    }
}

TEST(Printer, PrintsTheDocumentedForms) {
    struct Case {
        const char* literal;
        const char* printed;
    };
    const Case cases[] = {
        {"¯2.5E¯7 2e10", "¯2.5E¯7 2E10"},
        {"int16 ⍬", "int16 ⍬"},
        {"1 1⍴7", "1 1⍴7"},
        {"0 2⍴''", "0 2⍴''"},
        {"⎕UCS 10", "⎕UCS 10"},
        {"⎕UCS 1 2⍴97 0", "⎕UCS 1 2⍴97 0"},
        {"(⎕UCS 9),'a',(⎕UCS 13 10),'bc'", "(⎕UCS 9),'a',(⎕UCS 13 10),'bc'"},
        {"'a',(⎕UCS 4 4),'b'", "'a',(⎕UCS 4 4),'b'"},
        {"'x' ('a',⎕UCS 10)", "'x' ('a',⎕UCS 10)"},
        {"('a') ('b')", "('a') ('b')"},
        {"(,'a') (⎕UCS 10) (⊂1 2)", "(,'a') (⎕UCS 10) (⊂1 2)"},
        {"1 1⍴⊂'x'", "1 1⍴⊂'x'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.literal);
        EXPECT_EQ(printValue(parseLiteral(c.literal)), c.printed);
    }
}

TEST(Printer, NumbersUseTheShortestExactText) {
    struct Case {
        double v;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},         {-3, "¯3"},          {0.1, "0.1"},       {1.0 / 3, "0.3333333333333333"},
        {1e-7, "1E¯7"},   {1.5e100, "1.5E100"}, {-0.0, "¯0"},       {HUGE_VAL, "∞"},
        {-HUGE_VAL, "¯∞"}, {std::nan(""), "NaN"}, {5e-324, "5E¯324"}, {2147483648.0, "2147483648"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatNumber(c.v), c.text);
        if (!std::isnan(c.v)) {
            EXPECT_EQ(parseLiteral(c.text).numbers[0], c.v) << c.text;
        }
    }
}

}  // namespace
}  // namespace zrt::host
