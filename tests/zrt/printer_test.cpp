// Printing arrays: the printed forms are the ones the documentation shows (the host's notation
// script shows the common ones), and numbers print in the shortest text that reads back exact.
#include <gtest/gtest.h>

#include <utility>

#include "notation/literal.h"
#include "notation/printer.h"

namespace zrt::host {
namespace {

TEST(Printer, PrintsTheDocumentedForms) {
    for (const char* text : {"int16 ⍬", "1 1⍴7", "⎕UCS 1 2⍴97 0", "(⎕UCS 9),'a',(⎕UCS 13 10),'bc'",
                             "'x' ('a',⎕UCS 10)", "(,'a') (⎕UCS 10) (⊂1 2)", "1 1⍴⊂'x'"}) {
        EXPECT_EQ(printValue(parseLiteral(text)), text);
    }
}

TEST(Printer, NumbersUseTheShortestExactText) {
    const std::pair<double, const char*> cases[] = {
        {0.1, "0.1"},       {1.0 / 3, "0.3333333333333333"}, {1e-7, "1E¯7"},
        {1.5e100, "1.5E100"}, {-0.0, "¯0"}, {5e-324, "5E¯324"}, {2147483648.0, "2147483648"},
    };
    for (const auto& [v, text] : cases) {
        EXPECT_EQ(formatNumber(v), text);
        EXPECT_EQ(parseLiteral(text).numbers[0], v) << text;
    }
}

}  // namespace
}  // namespace zrt::host
