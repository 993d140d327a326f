// RangeAlloc: every cell of a source, recoded through an ordered list of range rules, into a
// target. The argument is (rules, target, source), the rules a numeric matrix of 4 columns:
// (kind, a, b, value) per row. The first rule that matches the source value x replaces it
// with the rule's value; a value that no rule matches is copied unchanged.
//
//   kind 0  a <= x <= b     kind 3  x equals a within 1e-14 of |x|
//   kind 1  x < a           kind 4  x <= a
//   kind 2  x > a           kind 5  x >= a
//                           kind 6  x does not equal a (the opposite of kind 3)
//
// A NaN source value matches kind 6 only. Target and source hold doubles (else 10015).
#include <string>
#include <vector>

#include "arrayfile/arguments.h"
#include "arrayfile/operand.h"
#include "engine/tolerance.h"
#include "engine/walk_scope.h"
#include "frame/args.h"
#include "frame/export_bodies.h"
#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

namespace {

struct RangeRule {
    int32_t kind;
    double low, high, value;
};

bool matches(const RangeRule& r, double x) {
    switch (r.kind) {
    case 0: return r.low <= x && x <= r.high;
    case 1: return x < r.low;
    case 2: return x > r.low;
    case 3: return EqualRelativeTo(x, r.low);
    case 4: return x <= r.low;
    case 5: return x >= r.low;
    default: return !EqualRelativeTo(x, r.low);
    }
}

// Item 0: a simple numeric matrix of 4 columns and at least one row.
Code ruleMatrixOf(const APLArray* arg, const APLArray*& out) {
    APLArray* m;
    if (Code c = GetItemArray(arg, 0, m)) return c == kRange ? kBadType : c;
    if (!m || !isSimpleNumeric(typeOf(m)) || rankOf(m) != 2) return kBadType;
    if (shapeOf(m)[1] != 4 || shapeOf(m)[0] == 0) return kBadType;
    out = m;
    return kOk;
}

Code readRules(const APLArray* m, std::vector<RangeRule>& rules) {
    uint32_t n = shapeOf(m)[0];
    rules.resize(n);
    for (uint32_t j = 0; j < n; ++j) {
        RangeRule& r = rules[j];
        if (Code c = GetItemInt(m, 4 * j, r.kind)) return c;
        if (r.kind < 0 || r.kind > 6) return kBadType;
        if (Code c = GetItemDouble(m, 4 * j + 1, r.low)) return c;
        if (Code c = GetItemDouble(m, 4 * j + 2, r.high)) return c;
        if (Code c = GetItemDouble(m, 4 * j + 3, r.value)) return c;
    }
    return kOk;
}

double recoded(double x, const std::vector<RangeRule>& rules) {
    for (const RangeRule& r : rules)
        if (matches(r, x)) return r.value;
    return x;
}

Code runRangeAlloc(Operand& target, Operand& source, const std::vector<RangeRule>& rules) {
    if (target.cellType != kDoubleCellType || source.cellType != kDoubleCellType) return kUnsuited;
    WalkScope walks{&target, &source};
    uint32_t n = 0;
    if (Code c = BeginWalk(target, n)) return c;
    if (Code c = BeginInStep(source, n)) return c;
    bool single = MustGoCellByCell(target, source);
    alignas(kBlockAlign) uint8_t results[kStreamCells * 8];
    return ForEachBlock(target, n, single, [&](const Run& to, uint32_t m) {
        const uint8_t* x = ReadNext(source, m);
        for (uint32_t k = 0; k < m; ++k)
            StoreDouble(results + 8 * size_t(k), recoded(LoadDouble(x + 8 * size_t(k)), rules));
        WriteRun(target, to, results, nullptr, m);
    });
}

}  // namespace

Result body::RangeAlloc(const APLArray* arg) {
    if (!arg || typeOf(arg) != kNested || rankOf(arg) != 1 || ArgumentCount(arg) != 3)
        return kBadType;
    const APLArray* matrix = nullptr;
    if (Code c = ruleMatrixOf(arg, matrix)) return c;
    Operand target, source;
    uint32_t form = 0;
    if (Code c = ParseOperand(arg, 2, source, 0, form)) return c;
    if (Code c = ParseOperand(arg, 1, target, 1, form)) return c;
    std::vector<RangeRule> rules;
    if (Code c = readRules(matrix, rules)) return c;
    return runRangeAlloc(target, source, rules);
}

}  // namespace zrt
