#include "engine/operators.h"

#include <cfloat>
#include <cmath>
#include <cstring>

#include "arrayfile/cells.h"
#include "arrayfile/walk.h"
#include "engine/tolerance.h"
#include "platform/ascii_case.h"
#include "platform/platform.h"
#include "platform/vector_clones.h"

namespace zrt {

namespace {

// ---- kernels, written once per shape: each loop is plain enough for the compiler to
// vectorise (this file is built with -O3: GCC's -O2 cost model leaves loops that need an
// overlap check scalar), and built for AVX2 beside the base (vector_clones.h).

// Results r[i] := f(i) for n doubles, counted against stored when it is given (operators.h).
template <class F>
inline int64_t give(uint8_t* r, uint32_t n, const uint8_t* stored, F f) {
    if (!stored) {
        for (uint32_t i = 0; i < n; ++i) StoreDouble(r + 8 * size_t(i), f(i));
        return 0;
    }
    int64_t same = 0;
    for (uint32_t i = 0; i < n; ++i) {
        double x = f(i);
        StoreDouble(r + 8 * size_t(i), x);
        same += CellStays(LoadDouble(stored + 8 * size_t(i)), x);
    }
    return same;
}

// Doubles to doubles.
template <auto op>
ZRT_VECTOR_CLONES int64_t numbers(uint8_t* r, const uint8_t* a, const uint8_t* b, uint32_t n, const uint8_t* stored) {
    return give(r, n, stored, [=](uint32_t i) { return op(LoadDouble(a + 8 * size_t(i)), LoadDouble(b + 8 * size_t(i))); });
}

// Doubles to bits.
template <auto test>
ZRT_VECTOR_CLONES int64_t tests(uint8_t* r, const uint8_t* a, const uint8_t* b, uint32_t n, const uint8_t*) {
    for (uint32_t i = 0; i < n; ++i)
        r[i] = test(LoadDouble(a + 8 * size_t(i)), LoadDouble(b + 8 * size_t(i))) ? 1 : 0;
    return 0;
}

// Doubles to the numbers 1 and 0.
template <auto test>
ZRT_VECTOR_CLONES int64_t flags(uint8_t* r, const uint8_t* a, const uint8_t* b, uint32_t n, const uint8_t* stored) {
    return give(r, n, stored, [=](uint32_t i) {
        return test(LoadDouble(a + 8 * size_t(i)), LoadDouble(b + 8 * size_t(i))) ? 1.0 : 0.0;
    });
}

// Runs of doubles folded side by side, eight chains at a time.
template <auto op>
ZRT_VECTOR_CLONES void foldRuns(uint8_t* acc, const uint8_t* const* runs, uint32_t lanes, uint32_t n) {
    constexpr uint32_t kChains = 8;
    uint32_t l = 0;
    for (; l + kChains <= lanes; l += kChains) {
        double s[kChains];
        for (uint32_t c = 0; c < kChains; ++c) s[c] = LoadDouble(runs[l + c]);
        for (uint32_t i = 1; i < n; ++i)
            for (uint32_t c = 0; c < kChains; ++c) s[c] = op(s[c], LoadDouble(runs[l + c] + 8 * size_t(i)));
        for (uint32_t c = 0; c < kChains; ++c) StoreDouble(acc + 8 * size_t(l + c), s[c]);
    }
    for (; l < lanes; ++l) {
        double s = LoadDouble(runs[l]);
        for (uint32_t i = 1; i < n; ++i) s = op(s, LoadDouble(runs[l] + 8 * size_t(i)));
        StoreDouble(acc + 8 * size_t(l), s);
    }
}

// Bits to bits.
template <auto op>
ZRT_VECTOR_CLONES int64_t bits(uint8_t* r, const uint8_t* a, const uint8_t* b, uint32_t n, const uint8_t*) {
    for (uint32_t i = 0; i < n; ++i) r[i] = op(a[i], b[i]);
    return 0;
}

// ---- arithmetic that the floating-point status can veto
//
// "div" and "pow" give 0 for a result that raised one of the flags below. A block is computed
// at full speed with the flags clear and looked at once; only a block that raised one is
// computed again cell by cell, each cell with the flags clear.

// The flags that make "div" give 0; the denormal-operand exception of the original
// floating-point unit has no flag here, so a subnormal operand is tested for directly.
constexpr uint32_t kDivideFaults =
    platform::kFpInvalid | platform::kFpDivideByZero | platform::kFpOverflow;
// The math errors of the power function: domain (invalid), pole (divide by zero), overflow.
constexpr uint32_t kPowerFaults = kDivideFaults;

bool subnormal(double x) { return std::fabs(x) < DBL_MIN && x != 0; }

// Runs op(a, b) with the exception flags clear and gives 0 when it raised one of faults,
// clearing them again. The volatile copies keep the operation between the two looks at the
// flags: the compiler may not move them across the calls.
template <class Op>
double vetoed(double a, double b, uint32_t faults, Op op) {
    if (platform::fpStatus() & faults) platform::fpClear();  // raised by something else
    volatile double x = a, y = b;
    volatile double r = op(x, y);
    if (platform::fpStatus() & faults) {
        platform::fpClear();
        return 0;
    }
    return r;
}

// The fast form of "div". Where the processor flags a subnormal operand, it only divides, and
// a flag sends the block to divide below. Elsewhere it tests each cell, dividing first and then
// choosing, so that the loop still vectorises.
double quotient(double a, double b) {
    if constexpr (platform::kFpReportsDenormals) return a / b;
    double q = a / b;
    return subnormal(a) | subnormal(b) ? 0.0 : q;
}
constexpr uint32_t kQuotientFaults =
    kDivideFaults | (platform::kFpReportsDenormals ? uint32_t(platform::kFpDenormal) : 0u);

double divide(double a, double b) {
    if (subnormal(a) || subnormal(b)) return 0;
    return vetoed(a, b, kDivideFaults, [](double x, double y) { return x / y; });
}

// Some C libraries (MinGW's among them) give a NaN or an infinity for a math error without
// raising its flag; from finite operands either one is such an error.
double raised(double a, double b) {
    double r = std::pow(a, b);
    return std::isfinite(r) || !std::isfinite(a) || !std::isfinite(b) ? r : 0;
}

double power(double a, double b) {
    double r = vetoed(a, b, kPowerFaults, [](double x, double y) { return std::pow(x, y); });
    return std::isfinite(r) || !std::isfinite(a) || !std::isfinite(b) ? r : 0;
}

// apart: the operator calls the math library for every cell, so its loop cannot vectorise and
// the results are counted against stored in a second, vectorised pass over the block.
template <auto fast, auto exact, uint32_t faults, bool apart = false>
int64_t vetoedNumbers(uint8_t* r, const uint8_t* a, const uint8_t* b, uint32_t n, const uint8_t* stored) {
    const uint8_t* counted = apart ? nullptr : stored;
    if (platform::fpStatus() & faults) platform::fpClear();  // raised by something else
    int64_t same = numbers<fast>(r, a, b, n, counted);
    if (platform::fpStatus() & faults) {
        platform::fpClear();
        same = numbers<exact>(r, a, b, n, counted);
    }
    return apart && stored ? CountUnchanged(stored, r, n) : same;
}

// ---- the operators

constexpr auto add = [](double x, double y) { return x + y; };
constexpr auto mul = [](double x, double y) { return x * y; };
// Rounded to the nearest multiple of s, halves toward positive infinity; s = 0 gives a NaN.
constexpr auto roundTo = [](double t, double s) { return std::floor(t / s + 0.5) * s; };
constexpr auto both = [](uint8_t x, uint8_t y) -> uint8_t { return x & y; };
constexpr auto either = [](uint8_t x, uint8_t y) -> uint8_t { return x | y; };

// The ordered comparisons give what the original ones gave for a NaN: "gt" and "gteq" false,
// "lt" and "lteq" true; so "lt" is "not gteq" and "lteq" "not gt". Likewise "neq" is "not eq".
constexpr auto gt = [](double x, double y) { return x > y; };
constexpr auto gteq = [](double x, double y) { return x >= y; };
constexpr auto lt = [](double x, double y) { return !(x >= y); };
constexpr auto lteq = [](double x, double y) { return !(x > y); };
constexpr auto eq = [](double x, double y) { return TolerantlyEqual(x, y); };
constexpr auto neq = [](double x, double y) { return !TolerantlyEqual(x, y); };
constexpr auto big = [](double x) { return std::fabs(x) > kTolerance; };
constexpr auto bothBig = [](double x, double y) { return big(x) && big(y); };
constexpr auto eitherBig = [](double x, double y) { return big(x) || big(y); };

constexpr uint32_t kBits = kTakesBits | kGivesBits;

const Operator kTwoOperandTable[] = {
    {"mov", nullptr, kMove},
    {"addto", numbers<add>, kSumOrProduct, foldRuns<add>},
    {"multo", numbers<mul>, kSumOrProduct, foldRuns<mul>},
    {"andto", bits<both>, kBits},
    {"orto", bits<either>, kBits},
    {"roundto", numbers<roundTo>, 0, foldRuns<roundTo>},
};

const Operator kThreeOperandTable[] = {
    {"add", numbers<add>, 0},
    {"sub", numbers<[](double x, double y) { return x - y; }>, 0},
    {"mul", numbers<mul>, 0},
    {"div", vetoedNumbers<quotient, divide, kQuotientFaults>, 0},
    {"and", bits<both>, kBits},
    {"or", bits<either>, kBits},
    {"eq", tests<eq>, kGivesBits},
    {"neq", tests<neq>, kGivesBits},
    {"gt", tests<gt>, kGivesBits},
    {"gteq", tests<gteq>, kGivesBits},
    {"lt", tests<lt>, kGivesBits},
    {"lteq", tests<lteq>, kGivesBits},
    {"andf", flags<bothBig>, 0},
    {"orf", flags<eitherBig>, 0},
    {"eqf", flags<eq>, 0},
    {"neqf", flags<neq>, 0},
    {"gtf", flags<gt>, 0},
    {"gteqf", flags<gteq>, 0},
    {"ltf", flags<lt>, 0},
    {"lteqf", flags<lteq>, 0},
    {"pow", vetoedNumbers<raised, power, kPowerFaults, true>, 0},
    {"pct", numbers<[](double x, double y) { return x * y * 0.01; }>, 0},
    {"movif", nullptr, kMoveIf},
    {"movaud", nullptr, kMoveAudited},
};

template <size_t N>
const Operator* find(const Operator (&table)[N], std::string_view name) {
    for (const Operator& row : table)
        if (platform::sameIgnoringCase(name, row.name)) return &row;
    return nullptr;
}

}  // namespace

uint32_t Operator::takes() const { return flags & kTakesBits ? kBitCellType : kDoubleCellType; }
uint32_t Operator::gives() const { return flags & kGivesBits ? kBitCellType : kDoubleCellType; }

const Operator* FindTwoOperand(std::string_view name) { return find(kTwoOperandTable, name); }

const Operator* FindThreeOperand(std::string_view name) { return find(kThreeOperandTable, name); }

}  // namespace zrt
