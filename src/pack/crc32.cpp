#include "pack/crc32.h"

#include <array>

#include "zrt32.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define ZRT_CRC_FOLDING 1
#endif

namespace zrt {

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320u;  // reflected: bit j stands for x^(31-j)

// ---- Tables --------------------------------------------------------------------------------

// Table k advances the CRC over a byte followed by k zero bytes, so that eight bytes are taken
// at a time ("slicing by 8"); table 0 is the classic one-byte table (entry 1 is 0x77073096).
using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int step = 0; step < 8; ++step) c = (c >> 1) ^ ((c & 1) ? kPolynomial : 0);
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
        for (int k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr Tables tables = makeTables();

inline uint32_t loadLittle32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

#ifdef ZRT_CRC_FOLDING

// ---- Folding by carry-less multiplication ----------------------------------------------------
//
// The CRC is the message's polynomial times x^32 modulo the CRC polynomial P, so any stretch of
// the message may be replaced by one congruent to it modulo P at the same place. Sixteen bytes
// X, a 128-bit polynomial whose low 64-bit half H holds the higher powers, lie D bits before
// the next sixteen; X·x^D = H·x^(D+64) + L·x^D, and each half times its power of x reduced
// modulo P (32 bits) is a carry-less product of at most 96 bits that can be added into those
// next sixteen bytes. Four such lanes run side by side over 64 bytes at a time, are then folded
// into one, and the last sixteen bytes go through the tables with the rest.

// x^n modulo P, bit-reflected and shifted left by one as the products need, for a fold of D
// bits: the high half's constant is x^(D+32), the low half's x^(D-32).
constexpr uint64_t foldConstant(uint32_t n) {
    uint32_t r = 0x80000000u;  // x^0
    for (uint32_t k = 0; k < n; ++k) r = (r >> 1) ^ ((r & 1) ? kPolynomial : 0);
    return uint64_t(r) << 1;
}

constexpr uint64_t kFold512High = foldConstant(512 + 32), kFold512Low = foldConstant(512 - 32);
constexpr uint64_t kFold128High = foldConstant(128 + 32), kFold128Low = foldConstant(128 - 32);
static_assert(kFold512High == 0x154442BD4u && kFold128Low == 0xCCAA009Eu);

#define ZRT_FOLDING_TARGET __attribute__((target("pclmul,sse2")))

ZRT_FOLDING_TARGET inline __m128i fold(__m128i x, __m128i constants, __m128i next) {
    __m128i high = _mm_clmulepi64_si128(x, constants, 0x00);
    __m128i low = _mm_clmulepi64_si128(x, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

ZRT_FOLDING_TARGET inline __m128i load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// At least 64 bytes.
ZRT_FOLDING_TARGET uint32_t updateByFolding(const uint8_t* p, size_t count, uint32_t crc) {
    const __m128i by512 = _mm_set_epi64x(int64_t(kFold512Low), int64_t(kFold512High));
    const __m128i by128 = _mm_set_epi64x(int64_t(kFold128Low), int64_t(kFold128High));
    __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(int32_t(crc)));
    __m128i x1 = load(p + 16), x2 = load(p + 32), x3 = load(p + 48);
    for (p += 64, count -= 64; count >= 64; p += 64, count -= 64) {
        x0 = fold(x0, by512, load(p));
        x1 = fold(x1, by512, load(p + 16));
        x2 = fold(x2, by512, load(p + 32));
        x3 = fold(x3, by512, load(p + 48));
    }
    __m128i x = fold(fold(fold(x0, by128, x1), by128, x2), by128, x3);
    for (; count >= 16; p += 16, count -= 16) x = fold(x, by128, load(p));
    uint8_t last[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(last), x);
    return Crc32UpdateByTables(p, count, Crc32UpdateByTables(last, 16, 0));
}

bool processorFolds() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_PCLMUL) && (d & bit_SSE2);
}

#endif

}  // namespace

uint32_t Crc32UpdateByTables(const void* data, size_t count, uint32_t crc) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (; count >= 8; count -= 8, p += 8) {
        uint32_t lo = loadLittle32(p) ^ crc, hi = loadLittle32(p + 4);
        crc = tables[7][lo & 0xFF] ^ tables[6][(lo >> 8) & 0xFF] ^ tables[5][(lo >> 16) & 0xFF] ^
              tables[4][lo >> 24] ^ tables[3][hi & 0xFF] ^ tables[2][(hi >> 8) & 0xFF] ^
              tables[1][(hi >> 16) & 0xFF] ^ tables[0][hi >> 24];
    }
    for (; count > 0; --count, ++p) crc = tables[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return crc;
}

Crc32Routine Crc32FoldingRoutine() {
#ifdef ZRT_CRC_FOLDING
    static const bool folds = processorFolds();
    if (folds) return [](const void* data, size_t count, uint32_t crc) {
        return count < 64 ? Crc32UpdateByTables(data, count, crc)
                          : updateByFolding(static_cast<const uint8_t*>(data), count, crc);
    };
#endif
    return nullptr;
}

uint32_t Crc32Update(const void* data, size_t count, uint32_t crc) {
    static const Crc32Routine chosen = [] {
        Crc32Routine folding = Crc32FoldingRoutine();
        return folding ? folding : &Crc32UpdateByTables;
    }();
    return chosen(data, count, crc);
}

}  // namespace zrt

// CalculateCRC32: the running routine itself, for APL code's own buffers.
extern "C" ZRT_PUBLIC uint32_t ZRT_API CalculateCRC32(const void* data, uint32_t count,
                                                      uint32_t crc) {
    if (!data) return crc;
    return zrt::Crc32Update(data, count, crc);
}
