// The coders run over byte vectors, binary-literal streams read back as tokens, sample inputs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "pack/explode.h"
#include "pack/implode.h"

namespace zrt::test {

using Bytes = std::vector<uint8_t>;

struct Coded {
    int error = 0;
    Bytes out;
    std::vector<uint32_t> pieces;  // the sizes handed to the write step
};

// Both steps of a coder: the input goes in pieces of at most `piece` bytes.
struct Pipe {
    const Bytes& in;
    uint32_t piece;
    size_t at;
    Coded coded;
    static uint32_t read(uint8_t* buffer, uint32_t size, void* param) {
        auto& p = *static_cast<Pipe*>(param);
        size_t n = std::min<size_t>({size, p.piece, p.in.size() - p.at});
        if (n) std::memcpy(buffer, p.in.data() + p.at, n);
        p.at += n;
        return uint32_t(n);
    }
    static void write(const uint8_t* data, uint32_t size, void* param) {
        auto& p = *static_cast<Pipe*>(param);
        p.coded.out.insert(p.coded.out.end(), data, data + size);
        p.coded.pieces.push_back(size);
    }
};

inline Coded implodeBytes(const Bytes& in, uint32_t mode = kBinaryLiterals,
                          uint32_t dictionary = 4096, uint32_t piece = 4096) {
    Pipe pipe{in, piece, 0, {}};
    std::unique_ptr<uint8_t[]> work(new uint8_t[kCoderWorkSize]());
    pipe.coded.error = Implode(&Pipe::read, &Pipe::write, work.get(), &pipe, mode, dictionary);
    return pipe.coded;
}

inline Coded explodeBytes(const Bytes& stream, uint32_t piece = 2048) {
    Pipe pipe{stream, piece, 0, {}};
    std::unique_ptr<uint8_t[]> work(new uint8_t[kCoderWorkSize]());
    pipe.coded.error = Explode(&Pipe::read, &Pipe::write, work.get(), &pipe);
    return pipe.coded;
}

// A token of a binary-literal stream: a literal (length 0) or a match.
struct Token {
    uint32_t length, distance;
    uint8_t byte;
    bool operator==(const Token&) const = default;
};
inline Token literal(uint8_t byte) { return {0, 0, byte}; }
inline Token match(uint32_t length, uint32_t distance) { return {length, distance, 0}; }

// The tokens of a binary-literal stream up to its end mark, read bit by bit from the format's
// definition, each code matched against the code tables.
inline std::vector<Token> tokensOf(const Bytes& stream) {
    size_t bit = 16;
    auto get = [&](uint32_t n) {
        uint32_t v = 0;
        for (uint32_t k = 0; k < n; ++k, ++bit)
            v |= uint32_t(bit / 8 < stream.size() && (stream[bit / 8] >> (bit % 8)) & 1) << k;
        return v;
    };
    auto symbol = [&](const auto& code) {
        for (uint32_t len = 1, v = 0; len <= 8; ++len) {
            v |= get(1) << (len - 1);
            for (uint32_t s = 0; s < code.length.size(); ++s)
                if (code.length[s] == len && code.bits[s] == v) return s;
        }
        return 0u;
    };
    std::vector<Token> tokens;
    while (bit < stream.size() * 8) {
        if (!get(1)) {
            tokens.push_back(literal(uint8_t(get(8))));
            continue;
        }
        uint32_t sym = symbol(kLengthCode);
        uint32_t length = kLengthBase[sym] + get(kLengthExtraBits[sym]);
        if (length == kEndLength) break;
        uint32_t lowBits = length == 2 ? 2 : stream[1], high = symbol(kDistanceCode);
        tokens.push_back(match(length, (high << lowBits | get(lowBits)) + 1));
    }
    return tokens;
}

inline Bytes randomBytes(size_t n, uint32_t seed, uint32_t alphabet = 256) {
    Bytes b(n);
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (auto& v : b) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        v = uint8_t((x >> 24) % alphabet);
    }
    return b;
}

// Words of a small vocabulary, as text compresses.
inline Bytes sampleText(size_t n, uint32_t seed = 1) {
    static const char* const words[] = {"the ", "model ", "of ", "sales ", "per ", "region ",
                                        "and ", "month\n", "is ", "stored ", "in ", "a file "};
    Bytes r = randomBytes(n, seed, 12), text;
    for (size_t k = 0; text.size() < n; ++k)
        text.insert(text.end(), words[r[k]], words[r[k]] + std::strlen(words[r[k]]));
    text.resize(n);
    return text;
}

// A pattern of 1 to 40 bytes repeated for 200 to 1700 bytes, then another (every fourth with
// its last byte a near miss of the one before), so that long and overlapping matches and
// near misses cross the block boundaries.
inline Bytes periodicRuns(size_t n, uint32_t seed) {
    Bytes r = randomBytes(n + 64, seed), b;
    for (size_t k = 0; b.size() < n; k += 3) {
        size_t period = 1 + r[k % n] % 40, run = 200 + (r[(k + 1) % n] * 13) % 1500;
        Bytes pattern(&r[k % n], &r[k % n] + period);
        if (r[(k + 2) % n] % 4 == 0) pattern.back() ^= 1;
        for (size_t j = 0; j < run && b.size() < n; ++j) b.push_back(pattern[j % period]);
    }
    return b;
}

// The reference streams under data/implode: each input with the stream that another implode
// compressor made from it in one literal mode and dictionary size (MANIFEST.tsv lists them).
struct ReferenceStream {
    std::string name;
    uint32_t mode, dictionary;
    Bytes input, stream;
};

inline Bytes fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), {});
}

inline std::vector<ReferenceStream> referenceStreams() {
    const auto dir = std::filesystem::path(__FILE__).parent_path() / "data" / "implode";
    std::ifstream manifest(dir / "MANIFEST.tsv");
    std::vector<ReferenceStream> all;
    std::string line, input, mode, stream;
    uint32_t dictionary = 0;
    std::getline(manifest, line);  // the column names
    while (std::getline(manifest, line)) {
        std::istringstream(line) >> input >> mode >> dictionary >> stream;
        all.push_back({stream, mode == "ascii" ? kAsciiLiterals : kBinaryLiterals, dictionary,
                       fileBytes(dir / input), fileBytes(dir / stream)});
    }
    return all;
}

}  // namespace zrt::test
