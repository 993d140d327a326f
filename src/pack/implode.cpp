#include "pack/implode.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <new>

namespace zrt {

namespace {

constexpr uint32_t kBlock = 4096;     // input is gathered and coded a block at a time
constexpr uint32_t kLongest = 516;    // the longest match searched for; also the look-ahead
                                      // that each block holds back for the next
constexpr uint32_t kOutPiece = 2048;  // output goes to the write step in pieces of this size
// History, look-ahead and one block.
constexpr uint32_t kWindowSize = kMaxDictionary + kLongest + kBlock;
constexpr uint32_t kPairHashCount = 4 * 255 + 5 * 255 + 1;  // the pair hash of the table
constexpr uint32_t kTripleBuckets = 2048;  // lists of positions by their first three bytes
constexpr uint32_t kPairBuckets = 512;     // the newest positions by their first two bytes
constexpr uint32_t kNearPair = 256;        // a match of two bytes reaches this far back at most

// Everything the compressor keeps lives here, in the caller's working block.
//
// The window holds the dictionary's worth of history, then the input being coded. Each block
// is read to the same place, dictSize + kLongest; after a block is coded the window slides down
// by kBlock, so that the history and the held-back look-ahead stay in front of the next block.
// Positions are offsets into the window.
//
// The streams of other implode compressors depend on what follows the window. Their match
// search does not stop at the end of the input but compares on into whatever the window holds
// there, and beyond the window into their table of the window's positions sorted by pair hash
// (16-bit little-endian, directly behind it), before cutting the match; a cut match can still
// displace a shorter one through the look-ahead comparison, so those bytes decide tokens near
// the end. `area` is the window followed by as much of that table as a search can reach.
struct ImplodeState {
    ReadStep read;
    WriteStep write;
    void* param;
    uint32_t dictSize, dictBits;
    bool ascii;
    uint32_t distance;  // of the match that a search found last

    // Output: bitCount bits wait in bitBuffer until four bytes are full.
    uint64_t bitBuffer;
    uint32_t bitCount, outCount;
    uint8_t out[kOutPiece];

    // Matches of three bytes or more: the positions of the block (from the first candidate to
    // the last position) sorted by the bucket of their first three bytes, ascending within a
    // bucket, and for each bucket the index of its first position that may still be in reach.
    uint16_t sorted[kWindowSize];
    uint16_t firstOf[kTripleBuckets];
    // The failure function of the bytes at the searched position: border[n] is the length of
    // the longest proper prefix of the first n bytes that is also their suffix.
    uint16_t border[kLongest + 1];
    // Matches of two bytes: every position below pairsUpTo, by the bucket of its first two
    // bytes, as 1 + position (0 for none): the newest of each bucket, and for each of the last
    // kNearPair positions the one before it in its bucket.
    uint16_t newestOfPair[kPairBuckets];
    uint16_t olderOfPair[kNearPair];
    uint32_t pairsUpTo;
    // The position that heads the other compressors' table of the block coded last.
    uint32_t tableHead;

    uint8_t area[kWindowSize + kLongest];
    uint8_t* window() { return area; }
};
static_assert(sizeof(ImplodeState) <= kCoderWorkSize, "the working block is too small");

// ---- Output --------------------------------------------------------------------------------

void flushOutput(ImplodeState& s) {
    if (s.outCount) s.write(s.out, s.outCount, s.param);
    s.outCount = 0;
}

// Moves the whole bytes of the bit buffer to the output.
void putBytes(ImplodeState& s) {
    for (; s.bitCount >= 8; s.bitCount -= 8) {
        s.out[s.outCount++] = static_cast<uint8_t>(s.bitBuffer);
        s.bitBuffer >>= 8;
        if (s.outCount == kOutPiece) flushOutput(s);
    }
}

// Appends count (at most 16) bits of value, least significant first.
void putBits(ImplodeState& s, uint32_t value, uint32_t count) {
    s.bitBuffer |= uint64_t(value & ((1u << count) - 1)) << s.bitCount;
    s.bitCount += count;
    if (s.bitCount >= 32) putBytes(s);
}

// A literal: a 0 bit, then the byte or its code.
void putLiteral(ImplodeState& s, uint8_t byte) {
    if (s.ascii)
        putBits(s, uint32_t(kAsciiCode.bits[byte]) << 1, kAsciiCode.length[byte] + 1u);
    else
        putBits(s, uint32_t(byte) << 1, 9);
}

// The length symbols of the lengths 0 to kEndLength.
constexpr auto kLengthSymbols = [] {
    std::array<uint8_t, kEndLength + 1> a{};
    for (uint32_t n = kMinMatch; n <= kEndLength; ++n) a[n] = uint8_t(lengthSymbol(n));
    return a;
}();

// A 1 bit, the length symbol's code and its extra bits.
void putLength(ImplodeState& s, uint32_t length) {
    uint32_t sym = kLengthSymbols[length], codeLength = kLengthCode.length[sym];
    uint32_t extra = (length - kLengthBase[sym]) << (1 + codeLength);
    putBits(s, 1 | uint32_t(kLengthCode.bits[sym]) << 1 | extra,
            1 + codeLength + kLengthExtraBits[sym]);
}

// The distance goes out less one: a high part as a distance symbol, then the low bits, of
// which a match of 2 bytes has only 2 (so it reaches 256 bytes back at most).
void putMatch(ImplodeState& s, uint32_t length, uint32_t distance) {
    putLength(s, length);
    uint32_t lowBits = length == 2 ? 2 : s.dictBits, d = distance - 1, high = d >> lowBits;
    uint32_t codeLength = kDistanceCode.length[high];
    putBits(s, kDistanceCode.bits[high] | (d & ((1u << lowBits) - 1)) << codeLength,
            codeLength + lowBits);
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

// ---- Candidates ----------------------------------------------------------------------------

uint32_t pairHash(const uint8_t* p) { return 4u * p[0] + 5u * p[1]; }

uint32_t pairBucket(const uint8_t* p) {
    return ((uint32_t(p[0]) << 8 | p[1]) * 0x9E3779B1u) >> 23;
}

uint32_t tripleBucket(const uint8_t* p) {
    return ((uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]) * 0x9E3779B1u) >> 21;
}
static_assert(kPairBuckets == 1u << 9 && kTripleBuckets == 1u << 11);

// Sorts the window positions [from, to) by the bucket of the three bytes starting there (a
// counting sort, so positions stay ascending within a bucket).
void sortPositions(ImplodeState& s, uint32_t from, uint32_t to) {
    const uint8_t* w = s.window();
    std::fill(std::begin(s.firstOf), std::end(s.firstOf), uint16_t(0));
    for (uint32_t p = from; p < to; ++p) ++s.firstOf[tripleBucket(w + p)];
    uint32_t total = 0;
    for (auto& f : s.firstOf) f = static_cast<uint16_t>(total += f);
    for (uint32_t p = to; p-- > from;) s.sorted[--s.firstOf[tripleBucket(w + p)]] = uint16_t(p);
}

// The position that heads the other compressors' table for the positions [from, to): the
// first of the lowest pair hash.
uint32_t tableHeadOf(const ImplodeState& s, uint32_t from, uint32_t to) {
    const uint8_t* w = s.area;
    uint32_t head = from, lowest = pairHash(w + from);
    for (uint32_t p = from + 1; p < to; ++p) {
        uint32_t h = pairHash(w + p);
        if (h < lowest) lowest = h, head = p;
    }
    return head;
}

// Writes behind the window the part of the other compressors' table for the positions [from,
// to) that a search can read: a counting sort by pair hash, as theirs, that keeps only its
// first entries. The hash of the last position reads the byte after the window, still the
// head of the table of the block before: it is read before the table is rewritten.
void writeTableStart(ImplodeState& s, uint32_t from, uint32_t to) {
    uint8_t* table = s.area + kWindowSize;
    table[0] = uint8_t(s.tableHead);
    table[1] = uint8_t(s.tableHead >> 8);
    uint16_t* index = s.sorted;  // free until the block's own sort
    std::fill(index, index + kPairHashCount, uint16_t(0));
    for (uint32_t p = from; p < to; ++p) ++index[pairHash(s.area + p)];
    uint32_t total = 0;
    for (uint32_t h = 0; h < kPairHashCount; ++h) index[h] = uint16_t(total += index[h]);
    for (uint32_t p = to; p-- > from;) {
        uint32_t k = --index[pairHash(s.area + p)];
        if (k < kLongest / 2) table[2 * k] = uint8_t(p), table[2 * k + 1] = uint8_t(p >> 8);
    }
}

// Enters the positions up to `to` in the two-byte buckets.
void addPairs(ImplodeState& s, uint32_t to) {
    for (; s.pairsUpTo < to; ++s.pairsUpTo) {
        uint16_t& newest = s.newestOfPair[pairBucket(s.window() + s.pairsUpTo)];
        s.olderOfPair[s.pairsUpTo % kNearPair] = newest;
        newest = uint16_t(s.pairsUpTo + 1);
    }
}

// After the window has slid down by kBlock: the same for the positions that remain.
void slidePairs(ImplodeState& s) {
    auto slide = [](uint16_t& v) { v = v > kBlock ? uint16_t(v - kBlock) : uint16_t(0); };
    std::for_each(std::begin(s.newestOfPair), std::end(s.newestOfPair), slide);
    std::for_each(std::begin(s.olderOfPair), std::end(s.olderOfPair), slide);
    s.pairsUpTo = std::max(s.pairsUpTo, kBlock) - kBlock;
}

// ---- Match search --------------------------------------------------------------------------

// How many bytes from here equal those from earlier, up to limit: eight at a time where a
// word's first differing byte is its lowest.
uint32_t matchLength(const uint8_t* earlier, const uint8_t* here, uint32_t limit) {
    uint32_t n = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; n + 8 <= limit; n += 8) {
            uint64_t a, b;
            std::memcpy(&a, earlier + n, 8);
            std::memcpy(&b, here + n, 8);
            if (a != b) return n + uint32_t(std::countr_zero(a ^ b)) / 8;
        }
    }
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
uint32_t searchOnWithBorders(ImplodeState& s, uint32_t p, uint32_t k, uint32_t best) {
    const uint8_t* w = s.window();
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
        matched = start + matchLength(w + c + start, here + start, kLongest - start);
        last = c;
        if (matched < best) continue;
        best = matched;
        s.distance = p - c;
        if (best == kLongest) break;
        extendBorders(s, here, known, best);
    }
    return best;
}

// How many of the bytes from p, up to kLongest, equal `byte`.
uint32_t runLength(const uint8_t* p, uint8_t byte) {
    uint32_t n = 0;
    if constexpr (std::endian::native == std::endian::little) {
        const uint64_t all = 0x0101010101010101u * byte;
        for (; n + 8 <= kLongest; n += 8) {
            uint64_t a;
            std::memcpy(&a, p + n, 8);
            if (a != all) return n + uint32_t(std::countr_zero(a ^ all)) / 8;
        }
    }
    while (n < kLongest && p[n] == byte) ++n;
    return n;
}

// The longest match of three bytes or more for position p, 0 when there is none, with its
// distance left in s.distance. Candidates are the earlier positions of the block that lie 2
// to dictSize - 1 bytes back, tried from the oldest to the newest; one at least as long as the
// best so far becomes the best, so the nearest of equally long ones wins, but the first to
// reach kLongest bytes ends the search. Matches are measured to kLongest bytes even where the
// input ends sooner; the caller cuts them.
//
// When p starts a run of `run` equal bytes, a candidate in a run of the same byte that goes
// on for cr bytes settles its neighbours without comparing them: if cr > run, the positions
// up to cr - run later match exactly `run` bytes, no more than the last of them, so that one
// is tried next; if cr <= run, the next cr positions match fewer bytes than it.
uint32_t findLongMatch(ImplodeState& s, uint32_t p) {
    const uint8_t* w = s.window();
    const uint8_t* here = w + p;
    uint32_t bucket = tripleBucket(here);
    uint32_t oldest = p + 1 > s.dictSize ? p + 1 - s.dictSize : 0;
    // Searches move forward, so a position out of reach now stays so: drop it for good. The
    // scans stop at p's own entry, which is sorted into the same bucket.
    uint32_t k = s.firstOf[bucket];
    while (s.sorted[k] < oldest) ++k;
    s.firstOf[bucket] = static_cast<uint16_t>(k);

    const uint32_t run = runLength(here, here[0]);
    const bool runs = run >= 3 && run < kLongest;
    uint32_t best = 3;
    bool found = false;
    for (; s.sorted[k] + 1u < p; ++k) {  // never the byte just before p
        uint32_t c = s.sorted[k];
        if (w[c + best - 1] != here[best - 1] || w[c] != here[0] || w[c + 1] != here[1] ||
            w[c + 2] != here[2])
            continue;
        uint32_t length, at = k;
        if (runs) {
            uint32_t cr = runLength(w + c, here[0]);
            if (cr > run && c + (cr - run) + 1 < p) {
                for (uint32_t next = c + (cr - run); s.sorted[k + 1] < next;) ++k;
                continue;
            }
            length = cr < run ? cr : matchLength(w + c, here, kLongest);
            if (cr <= run)
                while (s.sorted[k + 1] <= c + cr && s.sorted[k + 1] + 1u < p) ++k;
        } else {
            length = matchLength(w + c, here, kLongest);
        }
        if (length < best) continue;
        best = length;
        found = true;
        s.distance = p - c;
        if (best == kLongest) return best;
        if (best > 10) return searchOnWithBorders(s, p, at, best);
    }
    return found ? best : 0;
}

// The nearest earlier position of the block, 2 to kNearPair bytes back, whose two bytes equal
// those at p: the distance, or 0 for none. Nearer matches of two bytes cost fewer bits, and
// farther ones are not taken.
uint32_t findNearPair(ImplodeState& s, uint32_t p, uint32_t from) {
    const uint8_t* w = s.window();
    addPairs(s, p - 1);
    uint32_t lowest = std::max(from, p - kNearPair);
    for (uint32_t c1 = s.newestOfPair[pairBucket(w + p)]; c1 > lowest;
         c1 = s.olderOfPair[(c1 - 1) % kNearPair]) {
        uint32_t c = c1 - 1;
        if (w[c] == w[p] && w[c + 1] == w[p + 1]) return p - c;
    }
    return 0;
}

// The match for position p: its length (0 when there is none of 2 bytes or more worth
// taking), with its distance left in s.distance. Of all candidates, the longest wins as the
// search above finds it; when no candidate has three bytes in common, the nearest of two.
uint32_t findMatch(ImplodeState& s, uint32_t p, uint32_t from) {
    if (uint32_t length = findLongMatch(s, p)) return length;
    s.distance = findNearPair(s, p, from);
    return s.distance ? 2 : 0;
}

// ---- Token choice --------------------------------------------------------------------------

// Two bytes from far back cost more than two literals.
bool worthAMatch(uint32_t length, uint32_t distance) {
    return length > 2 || (length == 2 && distance <= 256);
}

// Codes the positions from pos up to end, with candidates from `from` on; a match may run on
// past end into the held-back look-ahead. In the last block (`last`) end is the end of the
// input. Returns the position after the last token.
uint32_t codeBlock(ImplodeState& s, uint32_t pos, uint32_t end, uint32_t from, bool last) {
    while (pos < end) {
        uint32_t length = findMatch(s, pos, from), distance = s.distance;
        for (;;) {
            if (!worthAMatch(length, distance)) {
                putLiteral(s, s.window()[pos++]);
                break;
            }
            // A match past the end of the input is cut there and taken as it is (or, too short
            // now, becomes a literal).
            if (last && pos + length > end) {
                length = end - pos;
                if (!worthAMatch(length, distance)) continue;
            } else if (length < 8 && pos + 1 < end) {
                // A short match may hide a longer one a byte later ("XABCDEF" after "ABCDEFG"
                // and "XA"): look there, unless the next position belongs to the next block.
                // Only a match of three bytes or more can be longer.
                uint32_t next = findLongMatch(s, pos + 1);
                if (next > length && (next > length + 1 || distance > 129)) {
                    putLiteral(s, s.window()[pos++]);
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

}  // namespace

int Implode(ReadStep read, WriteStep write, void* work, void* param, uint32_t literalMode,
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
    std::memset(s.area, 0, sizeof s.area);
    std::fill(std::begin(s.newestOfPair), std::end(s.newestOfPair), uint16_t(0));
    s.tableHead = 0;

    // Every block but the last holds its final kLongest bytes back, so that the matches of the
    // positions before them can be searched to full length; they are coded with the next block.
    const uint32_t blockStart = s.dictSize + kLongest;
    uint32_t pos = blockStart;
    s.pairsUpTo = blockStart;
    for (uint32_t block = 0;; ++block) {
        uint32_t loaded = gatherBlock(s, s.window() + blockStart);
        bool last = loaded < kBlock;
        uint32_t end = last ? blockStart + loaded : s.dictSize + kBlock;
        // The candidates: the block itself at first, then the dictionary's reach from the
        // first position. The second block of the largest dictionary starts kLongest later,
        // where the input began, and so also leaves out as many bytes as the first block's
        // last match ran past its end.
        uint32_t from = block == 0                                   ? pos
                        : block == 1 && s.dictSize == kMaxDictionary ? pos - s.dictSize + kLongest
                                                                     : pos - s.dictSize;
        // Only the last block of the largest dictionary can search past the window.
        bool pastWindow = s.dictSize == kMaxDictionary;
        if (last && pastWindow) writeTableStart(s, from, end + 1);
        sortPositions(s, from, end + 1);
        pos = codeBlock(s, pos, end, from, last);
        if (last) break;
        if (pastWindow) s.tableHead = tableHeadOf(s, from, end + 1);
        std::memmove(s.window(), s.window() + kBlock, blockStart);
        slidePairs(s);
        pos -= kBlock;
    }

    putLength(s, kEndLength);
    if (s.bitCount % 8) putBits(s, 0, 8 - s.bitCount % 8);
    putBytes(s);
    flushOutput(s);
    return kCoderOk;
}

}  // namespace zrt
