#include "text/delimited.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zrt {
namespace {

using Fields = std::vector<std::string>;

Fields fieldsOf(std::string_view line, char quote = '"', char separator = ',') {
    FieldSplitter splitter(quote, separator);
    EXPECT_TRUE(splitter.split(line));
    Fields out;
    for (uint32_t i = 0; i < splitter.count(); ++i) out.emplace_back(splitter.field(i));
    return out;
}

// The corners that the random files of the DllSep tests miss.
TEST(FieldSplitter, QuotesSeparatorsAndLineFeeds) {
    struct Case { const char* name; std::string line; Fields fields; };
    const Case cases[] = {
        {"quote at the start of a quoted field", "\"\"\"a\",b", {"\"a", "b"}},
        {"quote at the end of a quoted field", "a,\"b\"\"\"", {"a", "b\""}},
        {"trailing separator opens no field", "a,b,", {"a", "b"}},
        {"line feed of CR LF", "\na,b", {"a", "b"}},
        {"line feeds dropped inside quotes", "\"a\nb\",c", {"ab", "c"}},
        {"unclosed quote", "a,\"b,c", {"a", "b,c"}},
        {"NUL is a character", std::string("a\0b,c", 5), {std::string("a\0b", 3), "c"}},
    };
    for (const Case& c : cases) EXPECT_EQ(fieldsOf(c.line), c.fields) << c.name;
    EXPECT_EQ(fieldsOf("'a;b';c", '\'', ';'), (Fields{"a;b", "c"}));
    // At most 1022 fields, where quoted separators do not count.
    FieldSplitter splitter('"', ',');
    EXPECT_FALSE(splitter.split(std::string(1022, ',') + "x"));
    EXPECT_TRUE(splitter.split("\"" + std::string(1100, ',') + "\""));
}

}  // namespace
}  // namespace zrt
