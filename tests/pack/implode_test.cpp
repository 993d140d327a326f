#include "pack/implode.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "coder_io.h"

namespace zrt::test {
namespace {

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The compressor's rules applied directly, with no hashing, no failure function and no
// window: every earlier position within reach is tried in full, oldest first.
std::vector<Token> referenceTokens(const Bytes& in, uint32_t dictionary) {
    const size_t n = in.size();
    auto find = [&](size_t p, uint32_t& distance) {
        uint32_t limit = static_cast<uint32_t>(std::min<size_t>(516, n - p)), best = 2, found = 0;
        for (size_t c = p + 1 > dictionary ? p + 1 - dictionary : 0; c + 1 < p; ++c) {
            uint32_t len = 0;
            while (len < limit && in[c + len] == in[p + len]) ++len;
            if (len < best) continue;
            found = best = len;
            distance = static_cast<uint32_t>(p - c);
            if (len == 516) break;
        }
        return found;
    };
    std::vector<Token> tokens;
    size_t pos = 0;
    for (size_t blockEnd = 4096;; blockEnd += 4096) {
        bool last = n < blockEnd;
        size_t end = last ? n : blockEnd - 516;
        while (pos < end) {
            uint32_t d = 0, length = find(pos, d);
            for (;;) {
                if (length < 2 || (length == 2 && d > 256)) {
                    tokens.push_back(literal(in[pos++]));
                    break;
                }
                if (length < 8 && pos + 1 < end) {
                    uint32_t d2 = 0, next = find(pos + 1, d2);
                    if (next > length && (next > length + 1 || d > 129)) {
                        tokens.push_back(literal(in[pos++]));
                        length = next, d = d2;
                        continue;
                    }
                }
                tokens.push_back(match(length, d));
                pos += length;
                break;
            }
        }
        if (last) return tokens;
    }
}

TEST(Implode, EmptyInputIsTheHeaderAndTheEndMark) {
    EXPECT_EQ(implodeBytes({}).out, (Bytes{0x00, 0x06, 0x01, 0xFF}));
    EXPECT_EQ(implodeBytes({}, kAsciiLiterals, 1024).out, (Bytes{0x01, 0x04, 0x01, 0xFF}));
    EXPECT_EQ(implodeBytes({}, kBinaryLiterals, 2048).out, (Bytes{0x00, 0x05, 0x01, 0xFF}));
}

TEST(Implode, RefusesBadParametersBeforeWritingAnything) {
    struct Case { uint32_t mode, dictionary; int error; } cases[] = {
        {0, 512, 1}, {0, 4097, 1}, {2, 4096, 2}, {2, 8192, 1}};
    for (const auto& c : cases) {
        Coded r = implodeBytes(bytesOf("data"), c.mode, c.dictionary);
        EXPECT_EQ(r.error, c.error) << c.mode << " " << c.dictionary;
        EXPECT_TRUE(r.out.empty());
    }
}

// Worked by hand from the format: literals a b c (flag 0, 8 bits each), the match of length 3
// at distance 3 (flag 1, length code 11, distance code 11, low bits 0100), the end mark (flag
// 1, seven 0s, eight 1s), zero bits to fill the last byte.
TEST(Implode, TokensHaveTheBitsOfTheFormat) {
    Coded r = implodeBytes(bytesOf("abcabc"), kBinaryLiterals, 1024);
    EXPECT_EQ(r.out, (Bytes{0x00, 0x04, 0xC2, 0x88, 0x19, 0xFB, 0x12, 0xF0, 0x0F}));
    // ASCII literals: a blank has the only 4-bit code (bits 1111), 0xFF the last 13-bit one
    // (thirteen 0s).
    EXPECT_EQ(implodeBytes(bytesOf("  "), kAsciiLiterals, 1024).out,
              (Bytes{0x01, 0x04, 0xDE, 0x07, 0xFC, 0x03}));
    EXPECT_EQ(implodeBytes({0xFF}, kAsciiLiterals, 1024).out,
              (Bytes{0x01, 0x04, 0x00, 0x40, 0xC0, 0x3F}));
}

TEST(Implode, RunsOfEqualBytes) {
    for (uint8_t b : {uint8_t('x'), uint8_t(0)}) {
        std::vector<Token> lead = {literal(b), literal(b), match(516, 2)};
        auto expect = lead;
        expect.push_back(match(482, 2));
        EXPECT_EQ(tokensOf(implodeBytes(Bytes(1000, b)).out), expect);
        // A match of the full 516 bytes ends the search, so then the oldest candidate wins.
        expect = lead;
        for (auto m : {match(516, 518), match(516, 1034), match(450, 2)}) expect.push_back(m);
        EXPECT_EQ(tokensOf(implodeBytes(Bytes(2000, b)).out), expect);
        expect[4] = match(516, 1023);
        EXPECT_EQ(tokensOf(implodeBytes(Bytes(2000, b), kBinaryLiterals, 1024).out), expect);
    }
}

// Builds inputs in which only the pieces of text can match: filler bytes of 0x80 and more
// with no pair of neighbours repeated, and a fresh fence byte before each later piece.
class Layout {
public:
    Layout& text(const std::string& s) {
        if (!bytes_.empty()) bytes_.push_back(static_cast<uint8_t>(++fence_));
        at_ = bytes_.size();
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        return *this;
    }
    Layout& filler(size_t n) {
        for (uint8_t prev = 0; n--;) {
            uint8_t b = 0x80;
            while (seen_.count({prev, b})) ++b;
            seen_.insert({prev, b});
            bytes_.push_back(prev = b);
        }
        return *this;
    }
    const Bytes& bytes() const { return bytes_; }
    size_t lastText() const { return at_; }

private:
    Bytes bytes_;
    std::set<std::pair<uint8_t, uint8_t>> seen_;
    size_t at_ = 0;
    int fence_ = 0;
};

// The tokens from input position `from` on, where a token must start.
std::vector<Token> tokensFrom(const Bytes& in, size_t from) {
    std::vector<Token> all = tokensOf(implodeBytes(in).out), tail;
    size_t pos = 0;
    for (const Token& t : all) {
        if (pos == from || !tail.empty()) tail.push_back(t);
        pos += t.length ? t.length : 1;
    }
    return tail;
}

TEST(Implode, ChoosesBetweenLiteralsAndMatchesByTheRules) {
    auto lits = [](const std::string& s) {
        std::vector<Token> v;
        for (char c : s) v.push_back(literal(static_cast<uint8_t>(c)));
        return v;
    };
    auto join = [](std::vector<Token> a, const std::vector<Token>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    struct Case {
        const char* name;
        Layout layout;
        std::vector<Token> expected;
    };
    Case cases[] = {
        {"two bytes 256 back are a match", Layout().text("QQ").filler(253).text("QQ"),
         {match(2, 256)}},
        {"two bytes 257 back are literals", Layout().text("QQ").filler(254).text("QQ"),
         lits("QQ")},
        {"one more byte a step later, near: the match",
         Layout().text("BCDE1").filler(260).text("ABC2").filler(124).text("ABCDE3"),
         join({match(3, 129)}, lits("DE3"))},
        {"one more byte a step later, far: a literal first",
         Layout().text("BCDE1").filler(260).text("ABC2").filler(125).text("ABCDE3"),
         {literal('A'), match(4, 397), literal('3')}},
        {"two more bytes a step later: a literal first",
         Layout().text("BCDEF1").filler(260).text("ABC2").filler(10).text("ABCDEF3"),
         {literal('A'), match(5, 283), literal('3')}},
        {"equally long: the nearest",
         Layout().text("WXYZ1").filler(20).text("WXYZ2").filler(20).text("WXYZ3"),
         {match(4, 26), literal('3')}},
        {"longer and older beats shorter and nearer",
         Layout().text("WXYZQ1").filler(20).text("WXYZ2").filler(20).text("WXYZQ3"),
         {match(5, 53), literal('3')}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(tokensFrom(c.layout.bytes(), c.layout.lastText()), c.expected);
    }
}

// Position 3579 is the last one the first block codes (516 bytes are held back): the longer
// match at 3580 is not looked at, although it would win within a block.
TEST(Implode, DoesNotLookAheadAcrossTheEndOfABlock) {
    Layout layout;
    layout.text("BCDEF1").filler(3557).text("ABC2").filler(10).text("ABCDEF3");
    ASSERT_EQ(layout.lastText(), 3579u);
    layout.filler(1000);
    std::vector<Token> tail = tokensFrom(layout.bytes(), 3579);
    tail.resize(3);
    EXPECT_EQ(tail, (std::vector<Token>{match(3, 15), match(3, 3580), literal('3')}));
}

TEST(Implode, FollowsTheRulesOnLongInputsInEveryDictionarySize) {
    std::pair<const char*, Bytes> inputs[] = {
        {"text", sampleText(9000)},
        {"doubles", sampleDoubles(1100)},
        {"periodic runs", periodicRuns(12000, 3)},
        {"three letters", randomBytes(8800, 4, 3)},
        {"two letters", randomBytes(8800, 5, 2)},
    };
    for (const auto& [name, in] : inputs) {
        for (uint32_t dictionary : {1024u, 2048u, 4096u}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(dictionary));
            EXPECT_EQ(tokensOf(implodeBytes(in, kBinaryLiterals, dictionary).out),
                      referenceTokens(in, dictionary));
        }
    }
}

TEST(Implode, OutputDependsOnTheInputAloneAndComesInPiecesOf2048) {
    Bytes in = sampleText(60000, 9);
    Coded whole = implodeBytes(in);
    for (uint32_t piece : {1u, 777u, 4095u}) EXPECT_EQ(implodeBytes(in, 0, 4096, piece).out, whole.out);
    ASSERT_GT(whole.pieces.size(), 2u);
    for (size_t k = 0; k + 1 < whole.pieces.size(); ++k) EXPECT_EQ(whole.pieces[k], 2048u);
    EXPECT_LE(whole.pieces.back(), 2048u);
}

}  // namespace
}  // namespace zrt::test
