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

// The random files of the DllSep tests cover plain quoting; these are the corners they miss.
TEST(FieldSplitter, QuotesSeparatorsAndLineFeeds) {
    struct Case {
        const char* name;
        std::string line;
        Fields fields;
    };
    const Case cases[] = {
        {"quote at the start of a quoted field", "\"\"\"a\",b", {"\"a", "b"}},
        {"quote at the end of a quoted field", "a,\"b\"\"\"", {"a", "b\""}},
        {"empty line", "", {}},
        {"only a separator", ",", {""}},
        {"trailing separator opens no field", "a,b,", {"a", "b"}},
        {"two trailing separators", "a,,", {"a", ""}},
        {"line feed of CR LF", "\na,b", {"a", "b"}},
        {"line feeds dropped inside quotes", "\"a\nb\",c", {"ab", "c"}},
        {"only a line feed", "\n", {""}},
        {"unclosed quote", "a,\"b,c", {"a", "b,c"}},
        {"NUL is a character", std::string("a\0b,c", 5), {std::string("a\0b", 3), "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fieldsOf(c.line), c.fields);
    }
    EXPECT_EQ(fieldsOf("'a;b';c", '\'', ';'), (Fields{"a;b", "c"}));
    // At most 1022 fields, where quoted separators do not count.
    FieldSplitter splitter('"', ',');
    EXPECT_FALSE(splitter.split(std::string(1022, ',') + "x"));
    EXPECT_TRUE(splitter.split("\"" + std::string(1100, ',') + "\""));
}

TEST(CountFields, FirstCharacterAlwaysCountsLastNever) {
    struct Case {
        const char* line;
        int32_t count;
    };
    const Case cases[] = {
        {"a,b,c", 3}, {"", 1}, {"\r\n", 1}, {"a,b,\n", 2}, {",", 2},
        {"a,", 1},    {"\"a\"\"b\",c", 2},  {"a,\"b,c\",d,e", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(CountFields(c.line, '"', ','), c.count);
    }
}

}  // namespace
}  // namespace zrt
