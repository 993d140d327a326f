#include "engine/operators.h"

#include <cmath>
#include <cstring>
#include <iterator>

#include "arrayfile/cells.h"
#include "engine/tolerance.h"
#include "platform/platform.h"

namespace zrt {

namespace {

double num(const uint8_t* v) { return ValueNumber(v); }
void setNum(uint8_t* v, double d) { SetValueNumber(v, d); }
void setBool(uint8_t* v, bool b) { v[0] = b ? 0x80 : 0x00; }
void setFlag(uint8_t* v, bool b) { SetValueNumber(v, b ? 1.0 : 0.0); }

// ---- arithmetic that the floating-point status can veto

// The flags that make "div" give 0; the denormal-operand exception of the original
// floating-point unit has no flag here, so a subnormal operand is tested for directly.
constexpr uint32_t kDivideFaults =
    platform::kFpInvalid | platform::kFpDivideByZero | platform::kFpOverflow;
// The math errors of the power function: domain (invalid), pole (divide by zero), overflow.
constexpr uint32_t kPowerFaults = kDivideFaults;

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

double divide(double a, double b) {
    if (std::fpclassify(a) == FP_SUBNORMAL || std::fpclassify(b) == FP_SUBNORMAL) return 0;
    return vetoed(a, b, kDivideFaults, [](double x, double y) { return x / y; });
}

// Some C libraries (MinGW's among them) give a NaN or an infinity for a math error without
// raising its flag; from finite operands either one is such an error.
double power(double a, double b) {
    double r = vetoed(a, b, kPowerFaults, [](double x, double y) { return std::pow(x, y); });
    return std::isfinite(r) || !std::isfinite(a) || !std::isfinite(b) ? r : 0;
}

// ---- two-operand routines

void orTo(uint8_t* t, const uint8_t* s) { t[0] |= s[0]; }
void andTo(uint8_t* t, const uint8_t* s) { t[0] &= s[0]; }
// Rounded to the nearest multiple of s, halves toward positive infinity; s = 0 gives a NaN.
void roundTo(uint8_t* t, const uint8_t* s) {
    double step = num(s);
    setNum(t, std::floor(num(t) / step + 0.5) * step);
}

const TwoOperandOperator kTwoOperandTable[] = {
    {"mov", Mov},       {"addto", AddTo}, {"multo", MulTo},
    {"andto", andTo},   {"orto", orTo},   {"roundto", roundTo},
};

// ---- three-operand routines
//
// The ordered comparisons give what the original ones gave for a NaN: "gt" and "gteq" false,
// "lt" and "lteq" true; so "lt" is "not gteq" and "lteq" "not gt". Likewise "neq" is "not eq".

bool greater(const uint8_t* a, const uint8_t* b) { return num(a) > num(b); }
bool greaterOrEqual(const uint8_t* a, const uint8_t* b) { return num(a) >= num(b); }
bool equal(const uint8_t* a, const uint8_t* b) { return TolerantlyEqual(num(a), num(b)); }
bool big(const uint8_t* v) { return std::fabs(num(v)) > kTolerance; }

void add(uint8_t* t, const uint8_t* a, const uint8_t* b) { setNum(t, num(a) + num(b)); }
void sub(uint8_t* t, const uint8_t* a, const uint8_t* b) { setNum(t, num(a) - num(b)); }
void mul(uint8_t* t, const uint8_t* a, const uint8_t* b) { setNum(t, num(a) * num(b)); }
void quotient(uint8_t* t, const uint8_t* a, const uint8_t* b) { setNum(t, divide(num(a), num(b))); }
void raised(uint8_t* t, const uint8_t* a, const uint8_t* b) { setNum(t, power(num(a), num(b))); }
void pct(uint8_t* t, const uint8_t* a, const uint8_t* b) { setNum(t, num(a) * num(b) * 0.01); }
void andB(uint8_t* t, const uint8_t* a, const uint8_t* b) { t[0] = a[0] & b[0]; }
void orB(uint8_t* t, const uint8_t* a, const uint8_t* b) { t[0] = a[0] | b[0]; }
void eq(uint8_t* t, const uint8_t* a, const uint8_t* b) { setBool(t, equal(a, b)); }
void neq(uint8_t* t, const uint8_t* a, const uint8_t* b) { setBool(t, !equal(a, b)); }
void gt(uint8_t* t, const uint8_t* a, const uint8_t* b) { setBool(t, greater(a, b)); }
void gteq(uint8_t* t, const uint8_t* a, const uint8_t* b) { setBool(t, greaterOrEqual(a, b)); }
void lt(uint8_t* t, const uint8_t* a, const uint8_t* b) { setBool(t, !greaterOrEqual(a, b)); }
void lteq(uint8_t* t, const uint8_t* a, const uint8_t* b) { setBool(t, !greater(a, b)); }
void andF(uint8_t* t, const uint8_t* a, const uint8_t* b) { setFlag(t, big(a) && big(b)); }
void orF(uint8_t* t, const uint8_t* a, const uint8_t* b) { setFlag(t, big(a) || big(b)); }
void eqF(uint8_t* t, const uint8_t* a, const uint8_t* b) { setFlag(t, equal(a, b)); }
void neqF(uint8_t* t, const uint8_t* a, const uint8_t* b) { setFlag(t, !equal(a, b)); }
void gtF(uint8_t* t, const uint8_t* a, const uint8_t* b) { setFlag(t, greater(a, b)); }
void gteqF(uint8_t* t, const uint8_t* a, const uint8_t* b) { setFlag(t, greaterOrEqual(a, b)); }
void ltF(uint8_t* t, const uint8_t* a, const uint8_t* b) { setFlag(t, !greaterOrEqual(a, b)); }
void lteqF(uint8_t* t, const uint8_t* a, const uint8_t* b) { setFlag(t, !greater(a, b)); }

const ThreeOperandOperator kThreeOperandTable[] = {
    {"add", add},     {"sub", sub},       {"mul", mul},       {"div", quotient},
    {"and", andB},    {"or", orB},        {"eq", eq},         {"neq", neq},
    {"gt", gt},       {"gteq", gteq},     {"lt", lt},         {"lteq", lteq},
    {"andf", andF},   {"orf", orF},       {"eqf", eqF},       {"neqf", neqF},
    {"gtf", gtF},     {"gteqf", gteqF},   {"ltf", ltF},       {"lteqf", lteqF},
    {"pow", raised},     {"pct", pct},       {"movif", MovIf},   {"movaud", MovAud},
};

bool sameWithoutCase(std::string_view a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

template <class Row, size_t N>
const Row* find(const Row (&table)[N], std::string_view name) {
    for (const Row& row : table)
        if (sameWithoutCase(name, row.name)) return &row;
    return nullptr;
}

}  // namespace

void Mov(uint8_t* t, const uint8_t* s) { std::memcpy(t, s, 8); }
void AddTo(uint8_t* t, const uint8_t* s) { setNum(t, num(t) + num(s)); }
void MulTo(uint8_t* t, const uint8_t* s) { setNum(t, num(t) * num(s)); }
void MovIf(uint8_t* t, const uint8_t* a, const uint8_t* b) {
    if (IsTrue(b)) std::memcpy(t, a, 8);
}
void MovAud(uint8_t* t, const uint8_t* a, const uint8_t*) { std::memcpy(t, a, 8); }

const TwoOperandOperator* FindTwoOperand(std::string_view name) {
    return find(kTwoOperandTable, name);
}

const ThreeOperandOperator* FindThreeOperand(std::string_view name) {
    return find(kThreeOperandTable, name);
}

}  // namespace zrt
