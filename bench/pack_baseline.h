// The coders as they were before the search and the decoder were made faster, kept for the
// benchmark's ratios: the same streams from a simpler search (before the output followed the
// reference compressor's corners) and a decoder that takes a byte at a time.
#pragma once

#include <algorithm>
#include <cstring>
#include <new>

#include "pack/implode_format.h"

namespace zrt::baseline {
namespace implode_internals {

constexpr uint32_t kBlock = 4096;     // input is gathered and coded a block at a time
constexpr uint32_t kLongest = 516;    // the longest match searched for; also the look-ahead
                                      // that each block holds back for the next
constexpr uint32_t kOutPiece = 2048;  // output goes to the write step in pieces of this size
constexpr uint32_t kHashCount = 4 * 255 + 5 * 255 + 1;
// History, look-ahead, one block, and the byte after it that the last pair hash reads.
constexpr uint32_t kWindowSize = kMaxDictionary + kLongest + kBlock + 2;

// Everything the compressor keeps lives here, in the caller's working block.
//
// The window holds the dictionary's worth of history, then the input being coded. Each block
// is read to the same place, dictSize + kLongest; after a block is coded the window slides down
// by kBlock, so that the history and the held-back look-ahead stay in front of the next block.
// Positions are offsets into the window.
struct ImplodeState {
    ReadStep read;
    WriteStep write;
    void* param;
    uint32_t dictSize, dictBits;
    bool ascii;
    uint32_t distance;  // of the match that findMatch found last

    // Output: bits wait in bitBuffer until a byte is full.
    uint32_t bitBuffer, bitCount, outCount;
    uint8_t out[kOutPiece];

    uint8_t window[kWindowSize];
    // The window positions of the block sorted by pair hash, ascending within a hash, and for
    // each hash the index of its first position that may still be in reach.
    uint16_t sorted[kWindowSize];
    uint16_t firstOf[kHashCount];
    // The failure function of the bytes at the searched position: border[n] is the length of
    // the longest proper prefix of the first n bytes that is also their suffix.
    uint16_t border[kLongest + 1];
};
static_assert(sizeof(ImplodeState) <= kCoderWorkSize, "the working block is too small");

// ---- Output --------------------------------------------------------------------------------

void flushOutput(ImplodeState& s) {
    if (s.outCount) s.write(s.out, s.outCount, s.param);
    s.outCount = 0;
}

// Appends count (at most 16) bits of value, least significant first.
void putBits(ImplodeState& s, uint32_t value, uint32_t count) {
    s.bitBuffer |= (value & ((1u << count) - 1)) << s.bitCount;
    s.bitCount += count;
    while (s.bitCount >= 8) {
        s.out[s.outCount++] = static_cast<uint8_t>(s.bitBuffer);
        s.bitBuffer >>= 8;
        s.bitCount -= 8;
        if (s.outCount == kOutPiece) flushOutput(s);
    }
}

void putLiteral(ImplodeState& s, uint8_t byte) {
    putBits(s, 0, 1);
    if (s.ascii)
        putBits(s, kAsciiCode.bits[byte], kAsciiCode.length[byte]);
    else
        putBits(s, byte, 8);
}

void putLength(ImplodeState& s, uint32_t length) {
    uint32_t sym = lengthSymbol(length);
    putBits(s, 1, 1);
    putBits(s, kLengthCode.bits[sym], kLengthCode.length[sym]);
    putBits(s, length - kLengthBase[sym], kLengthExtraBits[sym]);
}

// The distance goes out less one: a high part as a distance symbol, then the low bits, of
// which a match of 2 bytes has only 2 (so it reaches 256 bytes back at most).
void putMatch(ImplodeState& s, uint32_t length, uint32_t distance) {
    putLength(s, length);
    uint32_t lowBits = length == 2 ? 2 : s.dictBits, d = distance - 1, high = d >> lowBits;
    putBits(s, kDistanceCode.bits[high], kDistanceCode.length[high]);
    putBits(s, d, lowBits);
}

// ---- Input ---------------------------------------------------------------------------------

// Asks the read step until a whole block is in or it delivers nothing; the count gathered.
uint32_t gatherBlock(ImplodeState& s, uint8_t* into) {
    uint32_t total = 0;
    while (total < kBlock) {
        uint32_t got = s.read(into + total, kBlock - total, s.param);
        if (got == 0) break;
        total += std::min(got, kBlock - total);
    }
    return total;
}

// ---- Match search --------------------------------------------------------------------------

uint32_t pairHash(const uint8_t* p) { return 4u * p[0] + 5u * p[1]; }

// Sorts the window positions [from, to) by the hash of the two bytes starting there (a
// counting sort, so positions stay ascending within a hash).
void sortPositions(ImplodeState& s, uint32_t from, uint32_t to) {
    std::fill(std::begin(s.firstOf), std::end(s.firstOf), uint16_t(0));
    for (uint32_t p = from; p < to; ++p) ++s.firstOf[pairHash(s.window + p)];
    uint32_t total = 0;
    for (auto& f : s.firstOf) f = static_cast<uint16_t>(total += f);
    for (uint32_t p = to; p-- > from;) s.sorted[--s.firstOf[pairHash(s.window + p)]] = uint16_t(p);
}

uint32_t matchLength(const uint8_t* earlier, const uint8_t* here, uint32_t limit) {
    uint32_t n = 0;
    while (n < limit && earlier[n] == here[n]) ++n;
    return n;
}

// Extends the failure function of the pattern to prefixes of up to n bytes.
void extendBorders(ImplodeState& s, const uint8_t* pattern, uint32_t& known, uint32_t n) {
    for (uint32_t i = known; i < n; ++i) {
        uint32_t b = s.border[i];
        while (b > 0 && pattern[i] != pattern[b]) b = s.border[b];
        s.border[i + 1] = static_cast<uint16_t>(pattern[i] == pattern[b] ? b + 1 : 0);
    }
    known = std::max(known, n);
}

// The rest of a search once a match of more than 10 bytes is known: the candidates after
// sorted[k] are tried in turn as in Knuth-Morris-Pratt string search. After candidate `last`
// matched `matched` bytes (up to `reached`), a later candidate that starts before
// reached - border[matched] must differ somewhere before `reached`, so it stays shorter than
// `matched` and cannot win; one that starts exactly there is known to match border[matched]
// bytes already. The result is that of trying every candidate in full.
uint32_t searchOnWithBorders(ImplodeState& s, uint32_t p, uint32_t limit, uint32_t k,
                             uint32_t best) {
    const uint8_t* w = s.window;
    const uint8_t* here = w + p;
    s.border[0] = s.border[1] = 0;
    uint32_t known = 1;
    extendBorders(s, here, known, best);
    uint32_t last = s.sorted[k], matched = best;
    for (++k; s.sorted[k] + 1u < p; ++k) {
        uint32_t c = s.sorted[k];
        uint32_t aligned = last + matched - s.border[matched];
        if (c < aligned || w[c + best - 1] != here[best - 1]) continue;
        uint32_t start = c == aligned ? s.border[matched] : 0;
        matched = start + matchLength(w + c + start, here + start, limit - start);
        last = c;
        if (matched < best) continue;
        best = matched;
        s.distance = p - c;
        if (best == kLongest) break;
        extendBorders(s, here, known, best);
    }
    return best;
}

// The match for position p: its length (0 when there is none of 2 bytes or more), with its
// distance left in s.distance. Candidates are the earlier positions with the same pair hash
// that lie 2 to dictSize - 1 bytes back, tried from the oldest to the newest; one at least as
// long as the best so far becomes the best, so the nearest of equally long ones wins. A match
// stops at `limit` bytes (kLongest, or the end of the input) and a match of kLongest bytes
// ends the search.
uint32_t findMatch(ImplodeState& s, uint32_t p, uint32_t limit) {
    const uint8_t* w = s.window;
    const uint8_t* here = w + p;
    uint32_t h = pairHash(here);
    uint32_t oldest = p + 1 > s.dictSize ? p + 1 - s.dictSize : 0;
    // Searches move forward, so a position out of reach now stays so: drop it for good. The
    // scans stop at p's own entry, which is sorted under the same hash.
    uint32_t k = s.firstOf[h];
    while (s.sorted[k] < oldest) ++k;
    s.firstOf[h] = static_cast<uint16_t>(k);

    uint32_t best = 1;
    for (; s.sorted[k] + 1u < p; ++k) {  // never the byte just before p
        uint32_t c = s.sorted[k];
        if (w[c] != here[0] || w[c + best - 1] != here[best - 1]) continue;
        uint32_t length = matchLength(w + c, here, limit);
        if (length < best) continue;
        best = length;
        s.distance = p - c;
        if (best == kLongest) return best;
        if (best > 10) return searchOnWithBorders(s, p, limit, k, best);
    }
    return best >= kMinMatch ? best : 0;
}

// ---- Token choice --------------------------------------------------------------------------

// Codes the positions from pos up to end, with the input ending at dataEnd; a match may run
// on past end into the held-back look-ahead. Returns the position after the last token.
uint32_t codeBlock(ImplodeState& s, uint32_t pos, uint32_t end, uint32_t dataEnd) {
    auto limitAt = [&](uint32_t p) { return std::min(kLongest, dataEnd - p); };
    while (pos < end) {
        uint32_t length = findMatch(s, pos, limitAt(pos)), distance = s.distance;
        for (;;) {
            // Two bytes from far back cost more than two literals.
            if (length < 2 || (length == 2 && distance > 256)) {
                putLiteral(s, s.window[pos++]);
                break;
            }
            // A short match may hide a longer one a byte later ("XABCDEF" after "ABCDEFG"
            // and "XA"): look there, unless the next position belongs to the next block.
            if (length < 8 && pos + 1 < end) {
                uint32_t next = findMatch(s, pos + 1, limitAt(pos + 1));
                if (next > length && (next > length + 1 || distance > 129)) {
                    putLiteral(s, s.window[pos++]);
                    length = next;
                    distance = s.distance;
                    continue;
                }
            }
            putMatch(s, length, distance);
            pos += length;
            break;
        }
    }
    return pos;
}

}  // namespace implode_internals
using namespace implode_internals;

inline int Implode(ReadStep read, WriteStep write, void* work, void* param, uint32_t literalMode,
            uint32_t dictionarySize) {
    uint32_t dictBits = dictionarySize == 1024 ? 4 : dictionarySize == 2048 ? 5
                      : dictionarySize == 4096 ? 6 : 0;
    if (!dictBits) return kBadDictionary;
    if (literalMode != kBinaryLiterals && literalMode != kAsciiLiterals) return kBadLiteralMode;

    ImplodeState& s = *new (work) ImplodeState;
    s.read = read;
    s.write = write;
    s.param = param;
    s.dictSize = dictionarySize;
    s.dictBits = dictBits;
    s.ascii = literalMode == kAsciiLiterals;
    s.distance = 0;
    s.bitBuffer = s.bitCount = 0;
    s.out[0] = static_cast<uint8_t>(literalMode);
    s.out[1] = static_cast<uint8_t>(dictBits);
    s.outCount = 2;
    std::memset(s.window, 0, sizeof s.window);

    // Every block but the last holds its final kLongest bytes back, so that the matches of the
    // positions before them can be searched to full length; they are coded with the next block.
    const uint32_t blockStart = s.dictSize + kLongest;
    uint32_t pos = blockStart, dataStart = blockStart;
    for (;;) {
        uint32_t loaded = gatherBlock(s, s.window + blockStart);
        bool last = loaded < kBlock;
        uint32_t dataEnd = blockStart + loaded;
        uint32_t end = last ? dataEnd : s.dictSize + kBlock;
        uint32_t oldest = pos + 1 - s.dictSize;
        sortPositions(s, std::max(dataStart, oldest), end);
        pos = codeBlock(s, pos, end, dataEnd);
        if (last) break;
        std::memmove(s.window, s.window + kBlock, blockStart);
        pos -= kBlock;
        dataStart = dataStart > kBlock ? dataStart - kBlock : 0;
    }

    putLength(s, kEndLength);
    if (s.bitCount) putBits(s, 0, 8 - s.bitCount);
    flushOutput(s);
    return kCoderOk;
}


namespace explode_internals {

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

}  // namespace explode_internals
using namespace explode_internals;

inline int Explode(ReadStep read, WriteStep write, void* work, void* param) {
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


}  // namespace zrt::baseline
