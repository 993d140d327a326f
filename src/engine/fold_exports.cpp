// Reduce, LComb and CorrectWtd: reading their arguments; the folds are in folds.cpp.
//
//   Reduce     (operator, axis, target, source)
//   LComb      (operator, axis, target, source, weights)          weights: one number per id
//   CorrectWtd (operator, axis, target, source, divisor, weights)  weights: an item
//
// The axis counts the dimensions of the source's item from 0. Every operand parsed is
// released and disposed of when the call ends, whatever its result.
#include <string>
#include <vector>

#include "arrayfile/arguments.h"
#include "arrayfile/operand.h"
#include "engine/folds.h"
#include "engine/operators.h"
#include "frame/args.h"
#include "frame/export_bodies.h"
#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

namespace {

// The operator of LComb and CorrectWtd: "addto" or "multo", else 10015.
Code sumOrProduct(const std::string& name, const Operator*& f) {
    f = FindTwoOperand(name);
    return f && (f->flags & kSumOrProduct) ? kOk : kUnsuited;
}

Code parse(const APLArray* arg, uint32_t index, Operand& op, uint16_t destination = 0) {
    uint32_t form = 0;
    return ParseOperand(arg, index, op, destination, form);
}

// The weights of LComb: a number for each id of the source along the axis.
Code weightsOf(const APLArray* arg, uint32_t index, uint32_t n, std::vector<double>& out) {
    APLArray* w;
    if (Code c = GetItemArray(arg, index, w)) return c;
    if (!w) return kBadType;
    if (ArgumentCount(w) != n) return kRange;
    out.resize(n);
    for (uint32_t i = 0; i < n; ++i)
        if (Code c = GetItemDouble(w, i, out[i])) return c;
    return kOk;
}

}  // namespace

Result body::Reduce(const APLArray* arg) {
    std::string name;
    if (Code c = NameOf(arg, 0, name)) return c;
    int32_t axis = 0;
    if (Code c = GetItemInt(arg, 1, axis)) return c;
    uint32_t count = ArgumentCount(arg);
    Operand target, source;
    if (count == 3) {
        if (Code c = parse(arg, 2, target, 1)) return c;
        return kUnsuited;
    }
    if (count != 4) return kUnsuited;
    if (Code c = parse(arg, 3, source)) return c;
    if (Code c = parse(arg, 2, target, 1)) return c;
    return RunReduce(target, source, axis, FindTwoOperand(name));
}

Result body::LComb(const APLArray* arg) {
    if (ArgumentCount(arg) != 5) return kBadType;
    std::string name;
    if (Code c = NameOf(arg, 0, name)) return c;
    int32_t axis = 0;
    if (Code c = GetItemInt(arg, 1, axis)) return c;
    const Operator* f = nullptr;
    if (Code c = sumOrProduct(name, f)) return c;
    Operand target, source;
    if (Code c = parse(arg, 3, source)) return c;
    if (Code c = parse(arg, 2, target, 1)) return c;
    if (Code c = CheckFoldAxis(source, axis)) return c;
    std::vector<double> weights;
    if (Code c = weightsOf(arg, 4, IdsAlong(source, static_cast<uint32_t>(axis)), weights))
        return c;
    return RunLComb(target, source, axis, weights, *f);
}

Result body::CorrectWtd(const APLArray* arg) {
    if (ArgumentCount(arg) != 6) return kBadType;
    std::string name;
    if (Code c = NameOf(arg, 0, name)) return c;
    const Operator* f = nullptr;
    if (Code c = sumOrProduct(name, f)) return c;
    int32_t axis = 0;
    if (Code c = GetItemInt(arg, 1, axis)) return c;
    Operand target, source, divisor, weights;
    if (Code c = parse(arg, 3, source)) return c;
    if (Code c = parse(arg, 2, target, 1)) return c;
    if (Code c = parse(arg, 5, weights)) return c;
    if (Code c = parse(arg, 4, divisor)) return c;
    return RunCorrectWtd(target, source, divisor, weights, axis, *f);
}

}  // namespace zrt
