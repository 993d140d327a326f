// DllSep over real files.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "frame/args.h"
#include "frame/xlate.h"
#include "support/arrays.h"
#include "text/classic_file.h"
#include "zrt32.h"

namespace zrt {
namespace {

using test::ClassicFile;
using Rows = std::vector<std::vector<std::string>>;

struct Call {
    int32_t code;
    Rows rows;
    uint32_t columns = 0;  // of the result matrix
};

Call dllSep(int32_t handle, const std::vector<int32_t>& columns, int32_t block = 1024,
            const std::string& marks = "\",") {
    ArrayPtr cols(AllocVector(kInt32, static_cast<uint32_t>(columns.size())));
    for (uint32_t k = 0; k < columns.size(); ++k) (void)SetItemInt(cols.get(), k, columns[k]);
    ArrayPtr r(DllSep(test::args(test::intScalar(handle), test::chars(marks), std::move(cols),
                                 test::intScalar(block)).get()));
    Call c{test::codeOf(r.get()), {}};
    const APLArray* v = test::valueOf(r.get());
    if (c.code != 0 || !v) return c;
    EXPECT_EQ(rankOf(v), 2u);
    c.columns = shapeOf(v)[1];
    if (typeOf(v) != kNested) return c;  // no lines: an empty integer matrix
    for (uint32_t row = 0; row < shapeOf(v)[0]; ++row) {
        c.rows.emplace_back();
        for (uint32_t col = 0; col < c.columns; ++col)
            c.rows.back().push_back(test::textOf(slotAt(v, row * c.columns + col)));
    }
    return c;
}

Rows readAll(const std::string& content, const std::vector<int32_t>& columns, int32_t block) {
    ClassicFile file(content);
    Rows all;
    for (int calls = 0; calls < 100000; ++calls) {
        Call c = dllSep(file.handle(), columns, block);
        if (c.code == 10050) return all;
        EXPECT_EQ(c.code, 0) << "call " << calls;
        if (c.code != 0) return all;
        all.insert(all.end(), c.rows.begin(), c.rows.end());
    }
    ADD_FAILURE() << "no end of file";
    return all;
}

TEST(DllSep, FileOfExactlyOneBlock) {
    // 1023 bytes fill a block of 1024: the text after the last CR is read again by the next call.
    std::string lines;
    while (lines.size() < 1000) lines += "0123456789\r\n";
    std::string tail = "last";
    std::string content = lines + std::string(1023 - lines.size() - tail.size(), 'x') + tail;
    ASSERT_EQ(content.size(), 1023u);
    ClassicFile file(content);
    Call first = dllSep(file.handle(), {1});
    ASSERT_EQ(first.code, 0);
    EXPECT_EQ(first.rows.size(), lines.size() / 12);
    EXPECT_EQ(file.position(), static_cast<int32_t>(lines.size() - 1));  // before the LF
    Call second = dllSep(file.handle(), {1});
    ASSERT_EQ(second.code, 0);
    EXPECT_EQ(second.rows, (Rows{{content.substr(lines.size())}}));
    EXPECT_EQ(dllSep(file.handle(), {1}).code, 10050);

    // Ending with CR LF: the LF alone comes back, and makes no line.
    ClassicFile exact(std::string(1021, 'y') + "\r\n");
    EXPECT_EQ(dllSep(exact.handle(), {1}).rows, (Rows{{std::string(1021, 'y')}}));
    Call lf = dllSep(exact.handle(), {1, 2});
    ASSERT_EQ(lf.code, 0);
    EXPECT_TRUE(lf.rows.empty());
    EXPECT_EQ(lf.columns, 2u);
    EXPECT_EQ(dllSep(exact.handle(), {1}).code, 10050);
}

// A reference file: random fields, quoted when they hold a quote or a separator (and sometimes
// when not), random line ends, empty lines, and sometimes no line end at the end.
std::string csvOf(const Rows& rows, std::mt19937& random, bool finalLineEnd) {
    std::string text;
    for (size_t r = 0; r < rows.size(); ++r) {
        for (size_t f = 0; f < rows[r].size(); ++f) {
            const std::string& field = rows[r][f];
            bool quote = field.find_first_of("\",") != std::string::npos || random() % 4 == 0;
            if (f) text += ',';
            if (!quote) {
                text += field;
                continue;
            }
            text += '"';
            for (char c : field) text += c == '"' ? std::string("\"\"") : std::string(1, c);
            text += '"';
        }
        if (r + 1 < rows.size() || finalLineEnd) text += random() % 3 == 0 ? "\r" : "\r\n";
    }
    return text;
}

TEST(DllSep, BlocksThatCutLinesAnywhereGiveEveryLineOnce) {
    std::mt19937 random(12345);
    const std::string alphabet = "abcXYZ 019,\"";
    for (bool finalLineEnd : {true, false}) {
        Rows rows(400);
        for (auto& row : rows) {
            size_t fields = random() % 6;  // 0: an empty line
            for (size_t f = 0; f < fields; ++f) {
                std::string field(random() % 40, ' ');
                for (char& c : field) c = alphabet[random() % alphabet.size()];
                row.push_back(field);
            }
            while (row.size() < 5) row.emplace_back();  // columns the line lacks read empty
        }
        // A last line must hold something, or it is no line.
        if (!finalLineEnd) rows.back()[0] = "end";
        std::string content = csvOf(rows, random, finalLineEnd);
        for (int32_t block : {1024, 1025, 1500, 65500})
            EXPECT_EQ(readAll(content, {1, 2, 3, 4, 5}, block), rows) << "block " << block;
    }
}

// docs/text.md runs a line longer than the block, column 0 and block 1023.
TEST(DllSep, FieldLimitAndRefusedArgumentsReadNothing) {
    std::string fields1022(1021, ',');
    ClassicFile ok("first\r\n" + fields1022 + "x\r\n");
    EXPECT_EQ(dllSep(ok.handle(), {1022, 1}, 4096).rows, (Rows{{"", "first"}, {"x", ""}}));
    ClassicFile tooMany("first\r\n" + fields1022 + ",x\r\n");
    EXPECT_EQ(dllSep(tooMany.handle(), {1}, 4096).code, 10004);
    EXPECT_EQ(tooMany.position(), 0);

    ClassicFile file("a,b\r\n");
    EXPECT_EQ(dllSep(file.handle(), {1}, 65501).code, 10004);
    EXPECT_EQ(dllSep(file.handle(), std::vector(1023, 1)).code, 10004);
    EXPECT_EQ(dllSep(-1, {1}).code, 10039);
    EXPECT_EQ(file.position(), 0);
    EXPECT_EQ(dllSep(file.handle(), {2, 1}).rows, (Rows{{"b", "a"}}));
}

TEST(DllSep, MarksGoToTheHostSetAndFieldsComeBackToTheInterpreters) {
    XlateTable toHost = APLToHost, toApl = HostToAPL;
    APLToHost['|'] = ',';  // the caller's separator | is the file's comma
    HostToAPL['a'] = 'A';
    ClassicFile file("a,b\r\n");
    Call r = dllSep(file.handle(), {1, 2}, 1024, "\"|");
    APLToHost = toHost;
    HostToAPL = toApl;
    EXPECT_EQ(r.rows, (Rows{{"A", "b"}}));
}

}  // namespace
}  // namespace zrt
