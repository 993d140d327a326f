#include "pack/explode.h"

#include <cstring>
#include <new>

namespace zrt {

namespace {

constexpr uint32_t kInPiece = 2048;  // input is asked for in pieces of this size
constexpr uint32_t kHistory = 4096;  // the farthest a match reaches back
constexpr uint32_t kWindow = 8192;   // history, then up to kHistory bytes of new output

// Everything the decoder keeps lives here, in the caller's working block.
//
// The output is built in a window whose first kHistory bytes are history; whenever kWindow
// bytes are filled, the kHistory bytes after the history go to the write step and the rest
// moves down. Before the first output the history is zero, so a match that reaches before the
// start of the output copies zero bytes. A token starts below kWindow and is at most kMaxMatch
// long, so the window never overflows, whatever the input.
struct ExplodeState {
    ReadStep read;
    WriteStep write;
    void* param;
    uint32_t dictBits;
    bool ascii;

    // Input: `bits` holds the unread bits, the next one in bit 0: always the 8 that the codes
    // look at, and `extra` more.
    uint32_t inCount, inPos;
    uint32_t bits, extra;
    uint8_t in[kInPiece];

    uint32_t outPos;
    uint8_t window[kWindow + kMaxMatch];
};
static_assert(sizeof(ExplodeState) <= kCoderWorkSize, "the working block is too small");

// ---- Decoding tables, built at compile time --------------------------------------------------

// For each value of the next 8 bits: the symbol whose code starts there and the code's length,
// or length 0 when the code is longer than 8 bits.
struct PeekTable {
    std::array<uint8_t, 256> symbol{}, length{};
};

template <size_t N>
constexpr PeekTable peekTable(const PrefixCode<N>& code) {
    PeekTable t{};
    for (size_t sym = 0; sym < N; ++sym) {
        uint32_t len = code.length[sym];
        if (len > 8) continue;
        for (uint32_t rest = 0; rest < (256u >> len); ++rest) {
            uint32_t index = code.bits[sym] | rest << len;
            t.symbol[index] = static_cast<uint8_t>(sym);
            t.length[index] = static_cast<uint8_t>(len);
        }
    }
    return t;
}

// The canonical order of a code, for decoding the long codes a bit at a time: how many codes
// each length has, and the symbols by length and value.
struct CanonicalOrder {
    std::array<uint16_t, 17> count{};
    std::array<uint8_t, 256> symbols{};
};

constexpr CanonicalOrder canonicalOrder(const std::array<uint8_t, 256>& lengths) {
    CanonicalOrder o{};
    size_t next = 0;
    for (uint32_t len = 1; len <= 16; ++len)
        for (size_t sym = 0; sym < 256; ++sym)
            if (lengths[sym] == len) {
                ++o.count[len];
                o.symbols[next++] = static_cast<uint8_t>(sym);
            }
    return o;
}

constexpr PeekTable kLengthPeek = peekTable(kLengthCode);
constexpr PeekTable kDistancePeek = peekTable(kDistanceCode);
constexpr PeekTable kAsciiPeek = peekTable(kAsciiCode);
constexpr CanonicalOrder kAsciiOrder = canonicalOrder(kAsciiCodeLengths);

// ---- Bits ----------------------------------------------------------------------------------

uint32_t readPiece(ExplodeState& s) {
    uint32_t got = s.read(s.in, kInPiece, s.param);
    return got < kInPiece ? got : kInPiece;
}

uint32_t peek8(const ExplodeState& s) { return s.bits & 0xFF; }

// Drops n (at most 8) bits. The 8 bits looked at must stay in the buffer, so a byte is read
// when fewer than n extra bits are left; false when the input has run out.
bool dropBits(ExplodeState& s, uint32_t n) {
    if (n <= s.extra) {
        s.bits >>= n;
        s.extra -= n;
        return true;
    }
    if (s.inPos == s.inCount) {
        s.inCount = readPiece(s);
        s.inPos = 0;
        if (s.inCount == 0) return false;
    }
    s.bits = ((s.bits >> s.extra) | uint32_t(s.in[s.inPos++]) << 8) >> (n - s.extra);
    s.extra = s.extra + 8 - n;
    return true;
}

// ---- Tokens --------------------------------------------------------------------------------
// Each returns its value, or -1 when the input ends before the token does.

// A long ASCII literal code, a bit at a time: the canonical code read so far, less the first
// code of its length, indexes the symbols of that length (stream bits are inverted).
int decodeLongAscii(ExplodeState& s) {
    uint32_t code = 0, first = 0, index = 0;
    for (uint32_t len = 1; len <= 16; ++len) {
        code |= ~s.bits & 1u;
        if (!dropBits(s, 1)) return -1;
        uint32_t count = kAsciiOrder.count[len];
        if (code < first + count) return kAsciiOrder.symbols[index + code - first];
        index += count;
        first = (first + count) << 1;
        code <<= 1;
    }
    return -1;  // not reached: the ASCII code is complete
}

int decodeLiteral(ExplodeState& s) {
    uint32_t next = peek8(s);
    if (!s.ascii) return dropBits(s, 8) ? int(next) : -1;
    if (!kAsciiPeek.length[next]) return decodeLongAscii(s);
    return dropBits(s, kAsciiPeek.length[next]) ? kAsciiPeek.symbol[next] : -1;
}

// The length of a match, or kEndLength for the end mark. The stream may end right after the
// end mark, so running out while its extra bits are dropped still ends the stream cleanly.
int decodeLength(ExplodeState& s) {
    uint32_t sym = kLengthPeek.symbol[peek8(s)];
    if (!dropBits(s, kLengthPeek.length[peek8(s)])) return -1;
    uint32_t extraBits = kLengthExtraBits[sym], extra = s.bits & ((1u << extraBits) - 1);
    int length = kLengthBase[sym] + int(extra);
    if (!dropBits(s, extraBits)) return length == int(kEndLength) ? length : -1;
    return length;
}

int decodeDistance(ExplodeState& s, int length) {
    uint32_t high = kDistancePeek.symbol[peek8(s)];
    if (!dropBits(s, kDistancePeek.length[peek8(s)])) return -1;
    uint32_t lowBits = length == 2 ? 2 : s.dictBits, low = s.bits & ((1u << lowBits) - 1);
    if (!dropBits(s, lowBits)) return -1;
    return int((high << lowBits | low) + 1);
}

// ---- Output --------------------------------------------------------------------------------

void copyMatch(ExplodeState& s, int length, int distance) {
    // Byte by byte: the copy may overlap the bytes it produces.
    uint8_t* to = s.window + s.outPos;
    const uint8_t* from = to - distance;
    for (int k = 0; k < length; ++k) to[k] = from[k];
    s.outPos += uint32_t(length);
}

void slideWindow(ExplodeState& s) {
    s.write(s.window + kHistory, kWindow - kHistory, s.param);
    std::memmove(s.window, s.window + kHistory, s.outPos - kHistory);
    s.outPos -= kHistory;
}

int decodeTokens(ExplodeState& s) {
    for (;;) {
        bool isMatch = s.bits & 1;
        if (!dropBits(s, 1)) return kStreamCut;
        if (isMatch) {
            int length = decodeLength(s);
            if (length < 0) return kStreamCut;
            if (length == int(kEndLength)) return kCoderOk;
            int distance = decodeDistance(s, length);
            if (distance < 0) return kStreamCut;
            copyMatch(s, length, distance);
        } else {
            int byte = decodeLiteral(s);
            if (byte < 0) return kStreamCut;
            s.window[s.outPos++] = static_cast<uint8_t>(byte);
        }
        if (s.outPos >= kWindow) slideWindow(s);
    }
}

}  // namespace

int Explode(ReadStep read, WriteStep write, void* work, void* param) {
    ExplodeState& s = *new (work) ExplodeState;
    s.read = read;
    s.write = write;
    s.param = param;
    s.inCount = readPiece(s);
    if (s.inCount < 5) return kStreamTooShort;
    if (s.in[1] < 4 || s.in[1] > 6) return kBadDictionary;
    if (s.in[0] > 1) return kBadLiteralMode;
    s.ascii = s.in[0] == kAsciiLiterals;
    s.dictBits = s.in[1];
    s.bits = s.in[2];
    s.extra = 0;
    s.inPos = 3;
    std::memset(s.window, 0, kHistory);
    s.outPos = kHistory;

    int result = decodeTokens(s);
    if (s.outPos > kHistory) s.write(s.window + kHistory, s.outPos - kHistory, s.param);
    return result;
}

}  // namespace zrt
