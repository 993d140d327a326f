#include "pack/implode.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "coder_io.h"

namespace zrt::test {
namespace {

// The compressor's rules applied directly, without hashing, failure function or window:
// every earlier position within reach is tried in full, oldest first. Past the end of the
// input a match goes on comparing with what the window holds there (the bytes of the block
// before, zeros in the first) and is cut afterwards. The second block of the largest
// dictionary leaves out as many of the oldest positions as the first block's last match ran
// past its end.
std::vector<Token> referenceTokens(const Bytes& in, uint32_t dictionary) {
    const size_t n = in.size();
    auto at = [&](size_t i) { return i < n ? in[i] : n >= 4096 ? in[i - 4096] : 0; };
    size_t pos = 0, from = 0;
    auto find = [&](size_t p, uint32_t& distance) {
        uint32_t best = 2, found = 0;
        size_t oldest = std::max(from, p + 1 > dictionary ? p + 1 - dictionary : 0);
        for (size_t c = oldest; c + 1 < p; ++c) {
            uint32_t len = 0;
            while (len < 516 && at(c + len) == at(p + len)) ++len;
            if (len < best) continue;
            found = best = len;
            distance = uint32_t(p - c);
            if (len == 516) break;
        }
        return found;
    };
    auto worth = [](uint32_t length, uint32_t d) {
        return length > 2 || (length == 2 && d <= 256);
    };
    std::vector<Token> tokens;
    for (size_t blockEnd = 4096;; blockEnd += 4096) {
        bool last = n < blockEnd;
        size_t end = last ? n : blockEnd - 516;  // the rest is held back for the next block
        from = blockEnd == 8192 && dictionary == 4096 ? pos - (4096 - 516) : 0;
        while (pos < end) {
            uint32_t d = 0, length = find(pos, d), d2 = 0, next = 0;
            while (worth(length, d) && !(last && pos + length > n) && length < 8 &&
                   pos + 1 < end && (next = find(pos + 1, d2)) > length &&
                   (next > length + 1 || d > 129)) {
                tokens.push_back(literal(in[pos++]));
                length = next, d = d2;
            }
            if (last && pos + length > n) length = uint32_t(n - pos);
            if (!worth(length, d)) {
                tokens.push_back(literal(in[pos++]));
            } else {
                tokens.push_back(match(length, d));
                pos += length;
            }
        }
        if (last) return tokens;
    }
}

Bytes operator+(Bytes a, const std::string& b) { return a.insert(a.end(), b.begin(), b.end()), a; }
Bytes operator+(Bytes a, const Bytes& b) { return a.insert(a.end(), b.begin(), b.end()), a; }

TEST(Implode, EmptyInputIsTheHeaderAndTheEndMarkAndBadParametersWriteNothing) {
    EXPECT_EQ(implodeBytes({}).out, (Bytes{0x00, 0x06, 0x01, 0xFF}));
    EXPECT_EQ(implodeBytes({}, kAsciiLiterals, 1024).out, (Bytes{0x01, 0x04, 0x01, 0xFF}));
    for (auto [mode, dictionary, error] :
         {std::tuple{0u, 512u, 1}, {0u, 4097u, 1}, {2u, 4096u, 2}, {2u, 8192u, 1}}) {
        Coded r = implodeBytes({1, 2, 3}, mode, dictionary);
        EXPECT_EQ(r.error, error);
        EXPECT_TRUE(r.out.empty());
    }
}

// Worked by hand: literals a b c (flag 0, 8 bits each), length 3 at distance 3 (flag 1, length
// code 11, distance code 11, low bits 0100), the end mark (1, seven 0s, eight 1s), zero fill.
// ASCII: a blank has the only 4-bit code, 1111; 0xFF the last 13-bit one, thirteen 0s.
TEST(Implode, TokensHaveTheBitsOfTheFormat) {
    EXPECT_EQ(implodeBytes(Bytes() + "abcabc", kBinaryLiterals, 1024).out,
              (Bytes{0x00, 0x04, 0xC2, 0x88, 0x19, 0xFB, 0x12, 0xF0, 0x0F}));
    EXPECT_EQ(implodeBytes(Bytes() + "  ", kAsciiLiterals, 1024).out,
              (Bytes{0x01, 0x04, 0xDE, 0x07, 0xFC, 0x03}));
    EXPECT_EQ(implodeBytes({0xFF}, kAsciiLiterals, 1024).out,
              (Bytes{0x01, 0x04, 0x00, 0x40, 0xC0, 0x3F}));
}

TEST(Implode, FollowsTheRulesInEveryDictionarySize) {
    // Filler of bytes from 0x80 up with no pair of neighbours repeated matches nothing.
    std::set<std::pair<uint8_t, uint8_t>> seen;
    auto filler = [&](size_t n) {
        Bytes f;
        for (uint8_t prev = 0, b; f.size() < n; f.push_back(prev = b))
            for (b = 0x80; !seen.insert({prev, b}).second;) ++b;
        return f;
    };
    // At 3579, the last position of the first block, ABC matches 15 back, and a step later
    // BCDEF would match 3580 back: that step belongs to the next block and is not looked at.
    Bytes blockEdge = Bytes() + "BCDEF1" + filler(3558) + "ABC2" + filler(11) + "ABCDEF3" +
                      filler(1000);
    size_t pos = 0;
    Token at{};
    for (const Token& t : tokensOf(implodeBytes(blockEdge).out))
        if (std::exchange(pos, pos + (t.length ? t.length : 1)) == 3579) at = t;
    EXPECT_EQ(at, match(3, 15));

    // Two bytes 256 and 257 back; ABC 129 and 130 back with BCDE a step later.
    auto far = [&](size_t n) { return Bytes() + "QQ" + filler(n) + "\1QQ"; };
    auto near = [&](size_t n) {
        return Bytes() + "BCDE1" + filler(260) + "\1ABC2" + filler(n) + "\2ABCDE3";
    };
    std::pair<const char*, Bytes> inputs[] = {
        {"block edge", blockEdge},
        {"256 back", far(253)}, {"257 back", far(254)},
        {"129 back", near(124)}, {"130 back", near(125)},
        {"text", sampleText(9000)},
        {"periodic runs", periodicRuns(12000, 3)},
        {"one letter", Bytes(2000, 'x')},  // full-length matches: the oldest candidate wins
    };
    for (const auto& [name, in] : inputs) {
        for (uint32_t dictionary : {1024u, 2048u, 4096u}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(dictionary));
            EXPECT_EQ(tokensOf(implodeBytes(in, kBinaryLiterals, dictionary).out),
                      referenceTokens(in, dictionary));
        }
    }
}

// The corners of the block-wise search (candidates of the second block, matches searched past
// the end of the input into stale window bytes and the table behind the window) are reached
// by the reference streams' inputs.
TEST(Implode, ReproducesEveryReferenceStream) {
    auto all = referenceStreams();
    ASSERT_EQ(all.size(), 174u);
    for (const auto& r : all)
        EXPECT_TRUE(implodeBytes(r.input, r.mode, r.dictionary).out == r.stream) << r.name;
}

TEST(Implode, OutputDependsOnTheInputAloneAndComesInPiecesOf2048) {
    Bytes in = sampleText(60000, 9);
    Coded whole = implodeBytes(in);
    for (uint32_t piece : {1u, 4095u}) EXPECT_EQ(implodeBytes(in, 0, 4096, piece).out, whole.out);
    ASSERT_GT(whole.pieces.size(), 2u);
    whole.pieces.pop_back();
    EXPECT_EQ(whole.pieces, std::vector<uint32_t>(whole.pieces.size(), 2048));
}

}  // namespace
}  // namespace zrt::test
