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

TEST(FieldSplitter, QuotesSeparatorsAndLineFeeds) {
    struct Case {
        const char* name;
        std::string line;
        Fields fields;
    };
    const Case cases[] = {
        {"plain", "a,b,c", {"a", "b", "c"}},
        {"separator inside quotes", "a,\"b,c\",d", {"a", "b,c", "d"}},
        {"doubled quote inside quotes", "\"x\"\"y\"", {"x\"y"}},
        {"doubled quote then separator", "\"a\"\"b\",c", {"a\"b", "c"}},
        {"quote at the start of a quoted field", "\"\"\"a\",b", {"\"a", "b"}},
        {"quote at the end of a quoted field", "a,\"b\"\"\"", {"a", "b\""}},
        {"empty quoted fields", "\"\",\"\"", {"", ""}},
        {"empty line", "", {}},
        {"only a separator", ",", {""}},
        {"leading separator", ",a", {"", "a"}},
        {"trailing separator opens no field", "a,b,", {"a", "b"}},
        {"two trailing separators", "a,,", {"a", ""}},
        {"line feed of CR LF", "\na,b", {"a", "b"}},
        {"line feeds dropped inside quotes", "\"a\nb\",c", {"ab", "c"}},
        {"only a line feed", "\n", {""}},
        {"unclosed quote", "a,\"b,c", {"a", "b,c"}},
        {"NUL is a character", std::string("a\0b,c", 5), {std::string("a\0b", 3), "c"}},
        {"blanks are kept", " a , b ", {" a ", " b "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fieldsOf(c.line), c.fields);
    }
    EXPECT_EQ(fieldsOf("'a;b';c", '\'', ';'), (Fields{"a;b", "c"}));
}

TEST(FieldSplitter, AtMost1022FieldsPerLine) {
    std::string line(1021, ',');  // 1022 fields
    FieldSplitter splitter('"', ',');
    ASSERT_TRUE(splitter.split(line + "x"));
    EXPECT_EQ(splitter.count(), 1022u);
    EXPECT_EQ(splitter.field(1021), "x");
    EXPECT_FALSE(splitter.split(line + ",x"));
    EXPECT_TRUE(splitter.split("\"" + line + ",x\""));  // quoted separators do not count
}

TEST(SplitLines, CarriageReturnsEndLines) {
    Lines lines;
    SplitLines("a\r\nb\rc\r\n\r\nrest", lines);
    EXPECT_EQ(lines.complete, (std::vector<std::string_view>{"a", "\nb", "c", "\n"}));
    EXPECT_EQ(lines.rest, "\nrest");
    SplitLines("no line end\n", lines);
    EXPECT_TRUE(lines.complete.empty());
    EXPECT_EQ(lines.rest, "no line end\n");
    SplitLines("ends\r", lines);
    EXPECT_EQ(lines.complete, (std::vector<std::string_view>{"ends"}));
    EXPECT_EQ(lines.rest, "");
}

TEST(CountFields, FirstCharacterAlwaysCountsLastNever) {
    struct Case {
        const char* line;
        int32_t count;
    };
    const Case cases[] = {
        {"a,b,c", 3},   {"", 1},           {"\n", 1},          {"\r\n", 1},
        {"a,b,\n", 2},  {",a", 2},         {",", 2},           {"a,", 1},
        {"\"a,b\",c", 2}, {"\"a\"\"b\",c", 2}, {"a,\"b,c\",d,e", 4}, {"x", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(CountFields(c.line, '"', ','), c.count);
    }
}

}  // namespace
}  // namespace zrt
