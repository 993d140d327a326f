#include "pack/explode.h"

#include <cstring>
#include <new>

namespace zrt {

namespace {

constexpr uint32_t kInPiece = 2048;  // input is asked for in pieces of this size
constexpr uint32_t kHistory = 4096;  // the farthest a match reaches back
constexpr uint32_t kWindow = 8192;   // history, then up to kHistory bytes of new output
constexpr uint32_t kCopyStep = 8;    // matches are copied this many bytes at a time

// Everything the decoder keeps lives here, in the caller's working block.
//
// The output is built in a window whose first kHistory bytes are history; whenever kWindow
// bytes are filled, the kHistory bytes after the history go to the write step and the rest
// moves down. Before the first output the history is zero, so a match that reaches before the
// start of the output copies zero bytes. A token starts below kWindow and is at most kMaxMatch
// long (its copy may write up to kCopyStep - 1 bytes more), so the window never overflows,
// whatever the input.
struct ExplodeState {
    ReadStep read;
    WriteStep write;
    void* param;
    uint32_t dictBits;
    bool ascii;

    // Input: `bits` holds `count` unread bits, the next one in bit 0, and zeros above them
    // once the input has run out. in[inPos, inCount) are the bytes not yet in `bits`.
    uint64_t bits;
    uint32_t count, inPos, inCount;
    bool inputEnded;
    uint8_t in[kInPiece + 8];

    uint32_t outPos;
    uint8_t window[kWindow + kMaxMatch + kCopyStep];
};
static_assert(sizeof(ExplodeState) <= kCoderWorkSize, "the working block is too small");

// ---- Decoding tables, built at compile time --------------------------------------------------

// For each value of the next `Bits` bits: the symbol whose code starts there and the code's
// length (0 where no code of at most `Bits` bits starts).
template <uint32_t Bits>
struct CodeTable {
    std::array<uint8_t, 1u << Bits> symbol{}, length{};
};

template <uint32_t Bits, size_t N>
constexpr CodeTable<Bits> codeTable(const PrefixCode<N>& code) {
    CodeTable<Bits> t{};
    for (size_t sym = 0; sym < N; ++sym) {
        uint32_t len = code.length[sym];
        for (uint32_t rest = 0; rest < (1u << Bits >> len); ++rest) {
            uint32_t index = code.bits[sym] | rest << len;
            t.symbol[index] = static_cast<uint8_t>(sym);
            t.length[index] = static_cast<uint8_t>(len);
        }
    }
    return t;
}

constexpr auto kLengthTable = codeTable<8>(kLengthCode);
constexpr auto kDistanceTable = codeTable<8>(kDistanceCode);
constexpr auto kAsciiTable = codeTable<13>(kAsciiCode);  // its longest codes have 13 bits

// ---- Bits ----------------------------------------------------------------------------------

uint64_t loadLittle64(const uint8_t* p) {
    return uint64_t(p[0]) | uint64_t(p[1]) << 8 | uint64_t(p[2]) << 16 | uint64_t(p[3]) << 24 |
           uint64_t(p[4]) << 32 | uint64_t(p[5]) << 40 | uint64_t(p[6]) << 48 |
           uint64_t(p[7]) << 56;
}

// Moves the unread bytes to the front and asks for another piece after them, until 8 bytes
// are there or the input has run out.
void topUpInput(ExplodeState& s) {
    while (!s.inputEnded && s.inCount - s.inPos < 8) {
        uint32_t kept = s.inCount - s.inPos;
        std::memmove(s.in, s.in + s.inPos, kept);
        uint32_t got = s.read(s.in + kept, kInPiece, s.param);
        s.inPos = 0;
        s.inCount = kept + (got < kInPiece ? got : kInPiece);
        s.inputEnded = got == 0;
    }
}

// Fills `bits` to at least 57 bits, or with all that is left of the input: whole words while
// 8 bytes are there, then single bytes.
void refill(ExplodeState& s) {
    topUpInput(s);
    if (s.inCount - s.inPos >= 8) {
        s.bits |= loadLittle64(s.in + s.inPos) << s.count;
        s.inPos += (63 - s.count) >> 3;
        s.count |= 56;
        return;
    }
    for (; s.count <= 56 && s.inPos < s.inCount; s.count += 8)
        s.bits |= uint64_t(s.in[s.inPos++]) << s.count;
}

uint32_t bitsAt(const ExplodeState& s, uint32_t at, uint32_t n) {
    return uint32_t(s.bits >> at) & ((1u << n) - 1);
}

// ---- Output --------------------------------------------------------------------------------

void copyMatch(ExplodeState& s, uint32_t length, uint32_t distance) {
    uint8_t* to = s.window + s.outPos;
    const uint8_t* from = to - distance;
    s.outPos += length;
    if (distance >= kCopyStep) {
        // A step reads only bytes that are already in place.
        for (uint32_t k = 0; k < length; k += kCopyStep) std::memcpy(to + k, from + k, kCopyStep);
    } else if (distance == 1) {
        std::memset(to, from[0], length);
    } else {
        // The copy overlaps the bytes it produces: byte by byte.
        for (uint32_t k = 0; k < length; ++k) to[k] = from[k];
    }
}

void slideWindow(ExplodeState& s) {
    s.write(s.window + kHistory, kWindow - kHistory, s.param);
    std::memmove(s.window, s.window + kHistory, s.outPos - kHistory);
    s.outPos -= kHistory;
}

// ---- Tokens --------------------------------------------------------------------------------
//
// A token is decoded from `bits` at once and then taken only if it and the 8 bits after it
// were there: the decoder always looks 8 bits ahead, and a stream whose last token leaves
// fewer is cut. The end mark alone may end the stream within its extra bits.

int decodeTokens(ExplodeState& s) {
    for (;;) {
        if (s.count < 40) refill(s);
        uint32_t used;
        if (!(s.bits & 1)) {
            uint32_t byte;
            if (s.ascii) {
                uint32_t peek = bitsAt(s, 1, 13);
                byte = kAsciiTable.symbol[peek];
                used = 1 + kAsciiTable.length[peek];
            } else {
                byte = bitsAt(s, 1, 8);
                used = 9;
            }
            if (used + 8 > s.count) return kStreamCut;
            s.window[s.outPos++] = static_cast<uint8_t>(byte);
        } else {
            uint32_t peek = bitsAt(s, 1, 8), sym = kLengthTable.symbol[peek];
            used = 1 + kLengthTable.length[peek];
            if (used + 8 > s.count) return kStreamCut;
            uint32_t length = kLengthBase[sym] + bitsAt(s, used, kLengthExtraBits[sym]);
            if (length == kEndLength) return kCoderOk;
            used += kLengthExtraBits[sym];
            peek = bitsAt(s, used, 8);
            uint32_t high = kDistanceTable.symbol[peek];
            used += kDistanceTable.length[peek];
            uint32_t lowBits = length == 2 ? 2 : s.dictBits;
            uint32_t distance = (high << lowBits | bitsAt(s, used, lowBits)) + 1;
            used += lowBits;
            if (used + 8 > s.count) return kStreamCut;
            copyMatch(s, length, distance);
        }
        s.bits >>= used;
        s.count -= used;
        if (s.outPos >= kWindow) slideWindow(s);
    }
}

}  // namespace

int Explode(ReadStep read, WriteStep write, void* work, void* param) {
    ExplodeState& s = *new (work) ExplodeState;
    s.read = read;
    s.write = write;
    s.param = param;
    uint32_t got = read(s.in, kInPiece, param);
    s.inCount = got < kInPiece ? got : kInPiece;
    if (s.inCount < 5) return kStreamTooShort;
    if (s.in[1] < 4 || s.in[1] > 6) return kBadDictionary;
    if (s.in[0] > 1) return kBadLiteralMode;
    s.ascii = s.in[0] == kAsciiLiterals;
    s.dictBits = s.in[1];
    s.inPos = 2;
    s.inputEnded = false;
    s.bits = 0;
    s.count = 0;
    std::memset(s.window, 0, kHistory);
    s.outPos = kHistory;

    int result = decodeTokens(s);
    if (s.outPos > kHistory) s.write(s.window + kHistory, s.outPos - kHistory, s.param);
    return result;
}

}  // namespace zrt
