#include "pack/explode.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "coder_io.h"

namespace zrt::test {
namespace {

TEST(Explode, RefusesBadHeadersInOrderAndReadsBeforeTheStartAsZeros) {
    struct Case { const char* name; Bytes stream; int error; Bytes out; } cases[] = {
        {"empty", {}, 3, {}},
        {"dictionary 7", {0x00, 0x07, 0x01, 0xFF, 0x00}, 1, {}},
        {"literal mode 2", {0x02, 0x06, 0x01, 0xFF, 0x00}, 2, {}},
        {"both bad", {0x02, 0x07, 0x01, 0xFF, 0x00}, 1, {}},  // the dictionary is checked first
        {"end mark at once", {0x00, 0x06, 0x01, 0xFF, 0x00}, 0, {}},
        // Length 3 at distance 4 before any output: zero bytes of the empty history.
        {"reaching before the start", {0x00, 0x04, 0x7F, 0x02, 0xFE, 0x01}, 0, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        Coded r = explodeBytes(c.stream);
        EXPECT_EQ(r.error, c.error) << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
    }
}

TEST(Explode, GivesBackWhatImplodeMadeInEveryModeAndDictionarySize) {
    const std::pair<std::string, Bytes> inputs[] = {
        {"one byte", {0x41}}, {"random", randomBytes(20000, 1)},
        {"periodic runs", periodicRuns(40000, 2)}, {"text", sampleText(8192 + 517, 3)}};
    for (const auto& [name, in] : inputs) {
        for (uint32_t mode : {kBinaryLiterals, kAsciiLiterals}) {
            for (uint32_t dictionary : {1024u, 2048u, 4096u}) {
                SCOPED_TRACE(name + " " + std::to_string(mode) + " " + std::to_string(dictionary));
                Coded r = explodeBytes(implodeBytes(in, mode, dictionary).out, 5 + mode * 2043);
                EXPECT_EQ(r.error, 0);
                EXPECT_TRUE(r.out == in);
                for (size_t k = 0; k + 1 < r.pieces.size(); ++k) EXPECT_EQ(r.pieces[k], 4096u);
            }
        }
    }
}

TEST(Explode, GivesBackTheInputOfEveryReferenceStream) {
    for (const auto& r : referenceStreams()) {
        Coded back = explodeBytes(r.stream);
        EXPECT_EQ(back.error, 0) << r.name;
        EXPECT_TRUE(back.out == r.input) << r.name;
    }
}

TEST(Explode, StreamCutBeforeItsEndMarkHandsOverWhatWasDecoded) {
    Bytes in = periodicRuns(30000, 5), stream = implodeBytes(in).out;
    Coded r = explodeBytes(Bytes(stream.begin(), stream.end() - 1));
    EXPECT_EQ(r.error, 4);
    EXPECT_TRUE(std::equal(r.out.begin(), r.out.end(), in.begin()));
    EXPECT_GT(r.out.size(), in.size() - 2 * 518);
}

// Damaged streams end with some error or none, never with a crash or a write outside the
// window (the sanitizer build watches that).
TEST(Explode, SurvivesCorruptedStreams) {
    Bytes sources[] = {sampleText(9000), randomBytes(9000, 3, 20), periodicRuns(9000, 8)};
    Bytes noise = randomBytes(1 << 16, 99);
    for (uint32_t round = 0, n = 0; round < 300; ++round) {
        Bytes stream = implodeBytes(sources[round % 3], round % 2, 1024u << (round % 3)).out;
        for (uint32_t k = 0; k <= round % 7; ++k, n += 2)
            stream[2 + noise[n % noise.size()] * 131u % (stream.size() - 2)] ^=
                uint8_t(1 + noise[(n + 1) % noise.size()] % 255);
        if (round % 5 == 0) stream.resize(stream.size() * (round % 10 + 1) / 11 + 5);
        EXPECT_LE(uint32_t(explodeBytes(stream, 1 + round * 37 % 2048).error), 4u);
    }
}

}  // namespace
}  // namespace zrt::test
