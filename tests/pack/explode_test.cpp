#include "pack/explode.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "coder_io.h"

namespace zrt::test {
namespace {

bool isPrefix(const Bytes& part, const Bytes& whole) {
    return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

TEST(Explode, RefusesShortStreamsThenBadDictionariesThenBadLiteralModes) {
    struct Case { Bytes stream; int error; } cases[] = {
        {{}, 3},
        {{0x00, 0x06, 0x01, 0xFF}, 3},  // the empty input's stream: too short to explode
        {{0x00, 0x07, 0x01, 0xFF, 0x00}, 1},
        {{0x00, 0x03, 0x01, 0xFF, 0x00}, 1},
        {{0x02, 0x06, 0x01, 0xFF, 0x00}, 2},
        {{0x02, 0x07, 0x01, 0xFF, 0x00}, 1},
        {{0x00, 0x06, 0x01, 0xFF, 0x00}, 0},  // an end mark at once: nothing
    };
    for (const auto& c : cases) {
        Coded r = explodeBytes(c.stream);
        EXPECT_EQ(r.error, c.error) << ::testing::PrintToString(c.stream);
        EXPECT_TRUE(r.out.empty());
    }
    // The first piece decides: 5 bytes delivered in pieces of 3 are too few.
    EXPECT_EQ(explodeBytes({0x00, 0x06, 0x01, 0xFF, 0x00}, 3).error, 3);
}

// Streams worked out by hand (see the implode tests for the first three).
TEST(Explode, DecodesStreamsFromTheFormatsDefinition) {
    struct Case { const char* name; Bytes stream, out; } cases[] = {
        {"binary", {0x00, 0x04, 0xC2, 0x88, 0x19, 0xFB, 0x12, 0xF0, 0x0F}, {'a', 'b', 'c', 'a', 'b', 'c'}},
        {"ASCII 4-bit code", {0x01, 0x04, 0xDE, 0x07, 0xFC, 0x03}, {' ', ' '}},
        {"ASCII 13-bit code", {0x01, 0x04, 0x00, 0x40, 0xC0, 0x3F}, {0xFF}},
        // Length 3 at distance 4 before any output: three zero bytes from the empty history.
        {"match before the start", {0x00, 0x04, 0x7F, 0x02, 0xFE, 0x01}, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        Coded r = explodeBytes(c.stream);
        EXPECT_EQ(r.error, 0) << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
    }
}

TEST(Explode, GivesBackWhatImplodeMadeInEveryModeAndDictionarySize) {
    std::pair<std::string, Bytes> inputs[] = {
        {"empty", {}},
        {"one byte", {0x41}},
        {"random", randomBytes(20000, 1)},
        {"text", sampleText(50000)},
        {"doubles", sampleDoubles(6000)},
        {"periodic runs", periodicRuns(40000, 2)},
    };
    std::vector<std::pair<std::string, Bytes>> all(std::begin(inputs), std::end(inputs));
    for (size_t n : {4095, 4096, 4097, 8191, 8192 + 516, 8192 + 517, 12288})
        all.push_back({"text of " + std::to_string(n), sampleText(n, uint32_t(n))});
    for (const auto& [name, in] : all) {
        for (uint32_t mode : {kBinaryLiterals, kAsciiLiterals}) {
            for (uint32_t dictionary : {1024u, 2048u, 4096u}) {
                SCOPED_TRACE(name + " mode " + std::to_string(mode) + " dictionary " +
                             std::to_string(dictionary));
                Coded packed = implodeBytes(in, mode, dictionary);
                ASSERT_EQ(packed.error, 0);
                Coded r = explodeBytes(packed.out);
                EXPECT_EQ(r.error, in.empty() ? 3 : 0);  // 4 bytes are too few to explode
                EXPECT_TRUE(r.out == in);
            }
        }
    }
}

TEST(Explode, OutputComesInPiecesOf4096WhateverTheInputPieces) {
    Bytes in = sampleText(20000);
    Bytes stream = implodeBytes(in).out;
    for (uint32_t piece : {5u, 13u, 2048u}) {
        Coded r = explodeBytes(stream, piece);
        EXPECT_EQ(r.error, 0);
        EXPECT_TRUE(r.out == in);
        EXPECT_EQ(r.pieces, (std::vector<uint32_t>{4096, 4096, 4096, 4096, 3616}));
    }
}

TEST(Explode, StreamCutBeforeItsEndMarkHandsOverWhatWasDecoded) {
    Bytes in = periodicRuns(30000, 5);
    Bytes stream = implodeBytes(in).out;
    size_t previous = 0;
    for (size_t cut : {size_t(5), size_t(100), stream.size() / 2, stream.size() - 1}) {
        SCOPED_TRACE(cut);
        Coded r = explodeBytes(Bytes(stream.begin(), stream.begin() + static_cast<long>(cut)));
        EXPECT_EQ(r.error, 4);
        EXPECT_TRUE(isPrefix(r.out, in));
        EXPECT_GE(r.out.size(), previous);
        previous = r.out.size();
    }
    EXPECT_GT(previous, in.size() - 2 * 518);
}

// Damaged streams end with some error or none, never with a crash or a write outside the
// window (the sanitizer builds watch that).
TEST(Explode, SurvivesCorruptedStreams) {
    Bytes sources[] = {sampleText(9000), sampleDoubles(1500), periodicRuns(9000, 8)};
    Bytes noise = randomBytes(1 << 16, 99);
    size_t n = 0;
    for (uint32_t round = 0; round < 300; ++round) {
        const Bytes& in = sources[round % 3];
        Bytes stream = implodeBytes(in, round % 2, 1024u << (round % 3)).out;
        for (int k = 0; k < 1 + int(round % 7); ++k, ++n)
            stream[2 + noise[n % noise.size()] * 131u % (stream.size() - 2)] ^=
                static_cast<uint8_t>(1 + noise[(n + 1) % noise.size()] % 255);
        if (round % 5 == 0) stream.resize(stream.size() * (round % 10 + 1) / 11 + 5);
        Coded r = explodeBytes(stream, 1 + round * 37 % 2048);
        EXPECT_GE(r.error, 0);
        EXPECT_LE(r.error, 4);
    }
    for (uint32_t round = 0; round < 50; ++round) {
        Bytes garbage = randomBytes(3000, round);
        garbage[0] = round % 2;
        garbage[1] = 4 + round % 3;
        EXPECT_LE(explodeBytes(garbage).error, 4);
    }
}

}  // namespace
}  // namespace zrt::test
