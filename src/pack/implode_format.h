// The implode compressed format, shared by the compressor and the decoder.
//
// A stream starts with two bytes, the literal mode (0 binary, 1 ASCII) and the dictionary bits
// d (4, 5 or 6 for a dictionary of 1024, 2048 or 4096 bytes), followed by a bit stream that
// takes the bits of each byte least significant first. Its tokens are
//
//   literal   bit 0, then the byte: 8 plain bits (binary mode) or its ASCII literal code
//   match     bit 1, the length symbol's code and extra bits, the distance symbol's code and
//             the low distance bits (2 when the length is 2, else d)
//   end mark  a match of length symbol 15 with extra value 255 (length 519), no distance
//
// and the last byte is filled up with zero bits. Plain fields go least significant bit first.
// The three prefix codes are canonical codes (shortest first, ties by symbol value) whose bits
// are inverted and written most significant first; the tables below hold each code already
// turned round, so that writing its value least significant bit first writes the code.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zrt {

// The caller's working block for either coder: this many bytes, aligned as new[] aligns.
constexpr size_t kCoderWorkSize = 36312;

// The read step fills buffer with up to size bytes of input and returns how many it delivered,
// 0 at the end of the input. The write step takes size bytes of output. Both receive the
// caller's parameter unchanged.
using ReadStep = uint32_t (*)(uint8_t* buffer, uint32_t size, void* param);
using WriteStep = void (*)(const uint8_t* data, uint32_t size, void* param);

// Errors of both coders; packed files report 10200 plus these.
enum CoderError : int {
    kCoderOk = 0,
    kBadDictionary = 1,   // dictionary size not 1024, 2048 or 4096 (header byte 1 not 4 to 6)
    kBadLiteralMode = 2,  // literal mode not 0 or 1
    kStreamTooShort = 3,  // explode: fewer than 5 bytes of input
    kStreamCut = 4,       // explode: the input ends, or a code cannot be completed, too early
};

enum LiteralMode : uint32_t { kBinaryLiterals = 0, kAsciiLiterals = 1 };

constexpr uint32_t kMinMatch = 2;
constexpr uint32_t kMaxMatch = 518;   // the longest match a token can carry
constexpr uint32_t kEndLength = 519;  // the length that marks the end of the stream
constexpr uint32_t kMaxDictionary = 4096;

// A prefix code: per symbol its length in bits and its bits in stream order.
template <size_t N>
struct PrefixCode {
    std::array<uint8_t, N> length{};
    std::array<uint16_t, N> bits{};
};

template <size_t N>
constexpr PrefixCode<N> canonicalCode(const std::array<uint8_t, N>& lengths) {
    PrefixCode<N> c{};
    uint32_t code = 0, previousLength = 0;
    bool first = true;
    for (uint32_t len = 1; len <= 16; ++len) {
        for (size_t sym = 0; sym < N; ++sym) {
            if (lengths[sym] != len) continue;
            code = first ? 0 : (code + 1) << (len - previousLength);
            first = false;
            previousLength = len;
            // Inverted, then reversed: the code's first bit becomes bit 0.
            uint32_t inverted = ~code & ((1u << len) - 1), turned = 0;
            for (uint32_t k = 0; k < len; ++k) turned |= ((inverted >> k) & 1u) << (len - 1 - k);
            c.length[sym] = static_cast<uint8_t>(len);
            c.bits[sym] = static_cast<uint16_t>(turned);
        }
    }
    return c;
}

// Length symbols: code lengths, extra bits and the base length of each.
constexpr std::array<uint8_t, 16> kLengthCodeLengths = {3, 2, 3, 3, 4, 4, 4, 5,
                                                        5, 5, 5, 6, 6, 6, 7, 7};
constexpr std::array<uint8_t, 16> kLengthExtraBits = {0, 0, 0, 0, 0, 0, 0, 0,
                                                      1, 2, 3, 4, 5, 6, 7, 8};
constexpr std::array<uint16_t, 16> kLengthBase = {2,  3,  4,  5,  6,  7,   8,   9,
                                                  10, 12, 16, 24, 40, 72, 136, 264};

// Distance symbols 0 to 63 carry the high part of the distance.
constexpr std::array<uint8_t, 64> kDistanceCodeLengths = [] {
    std::array<uint8_t, 64> a{};
    for (size_t s = 0; s < 64; ++s)
        a[s] = s == 0 ? 2 : s <= 2 ? 4 : s <= 6 ? 5 : s <= 21 ? 6 : s <= 47 ? 7 : 8;
    return a;
}();

// ASCII literals: frequent text characters get short codes.
constexpr std::array<uint8_t, 256> kAsciiCodeLengths = [] {
    constexpr uint8_t low[128] = {
        11, 12, 12, 12, 12, 12, 12, 12, 12, 8,  7,  12, 12, 7,  12, 12,  // 00
        12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 13, 12, 12, 12, 12, 12,  // 10
        4,  10, 8,  12, 10, 12, 10, 8,  7,  7,  8,  9,  7,  6,  7,  8,   // 20
        7,  6,  7,  7,  7,  7,  8,  7,  7,  8,  8,  12, 11, 7,  9,  11,  // 30
        12, 6,  7,  6,  6,  5,  7,  8,  8,  6,  11, 9,  6,  7,  6,  6,   // 40
        7,  11, 6,  6,  6,  7,  9,  8,  9,  9,  11, 8,  11, 9,  12, 8,   // 50
        12, 5,  6,  6,  6,  5,  6,  6,  6,  5,  11, 7,  5,  6,  5,  5,   // 60
        6,  10, 5,  5,  5,  5,  8,  7,  8,  8,  10, 11, 11, 12, 12, 12,  // 70
    };
    constexpr uint8_t top[32] = {
        13, 12, 13, 13, 13, 12, 13, 13, 13, 12, 13, 13, 13, 13, 12, 13,  // E0
        13, 13, 12, 12, 12, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13, 13,  // F0
    };
    std::array<uint8_t, 256> a{};
    for (size_t b = 0; b < 256; ++b)
        a[b] = b < 0x80 ? low[b] : b < 0xB0 ? 13 : b < 0xE0 ? 12 : top[b - 0xE0];
    return a;
}();

constexpr auto kLengthCode = canonicalCode(kLengthCodeLengths);
constexpr auto kDistanceCode = canonicalCode(kDistanceCodeLengths);
constexpr auto kAsciiCode = canonicalCode(kAsciiCodeLengths);

// The length symbol of a match length (2 to 519).
constexpr uint32_t lengthSymbol(uint32_t length) {
    uint32_t sym = 15;
    while (kLengthBase[sym] > length) --sym;
    return sym;
}

}  // namespace zrt
