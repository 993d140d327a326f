// Folds along an axis: Reduce, LComb and CorrectWtd combine the cells of a source item along
// one of its dimensions into one target cell per position of the others.
//
// The source is collapsed along the axis (CollapseAxis): its walk visits the cells at the
// first id of the axis, and the cell at id i is that cell + offsets[i]. The ids are combined in
// the order the source's selection lists them (the item's own order for a whole item), so
// each target cell gets exactly the sequence of operations of the cell-by-cell definition;
// a block of target cells is combined at once, a whole row of the source at a time. The target
// is never read; it is written once per step. Each loop runs under the fault guard (10039),
// and the source (and the weights) are restored on every path. Cell types: the source and the
// target of the operator's type ("mov": any, the same), weights and divisor of doubles, else
// 10015.
#pragma once

#include <cstdint>
#include <vector>

#include "arrayfile/operand.h"
#include "engine/operators.h"
#include "frame/codes.h"

namespace zrt {

// 10015 unless the operand is an item (whole or through a selection) and the axis one of its
// dimensions, 0 to rank - 1: a flat buffer or a constant has no dimensions to fold.
[[nodiscard]] Code CheckFoldAxis(const Operand& op, int32_t axis);

// The ids of an item operand along a dimension: its selection's, else its structure's.
uint32_t IdsAlong(const Operand& op, uint32_t axis);

// t := f(...f(f(s0, s1), s2)..., s(n-1)) along the axis. 10015 when f is null, 10001 when
// the source offers no cells or its collapsed step count is neither 1 nor the target's.
[[nodiscard]] Code RunReduce(Operand& target, Operand& source, int32_t axis, const Operator* f);

// t := f(...f(w0 s0, w1 s1)..., w(n-1) s(n-1)) along the axis, with one weight per id of the
// source along it (f is "addto" or "multo").
[[nodiscard]] Code RunLComb(Operand& target, Operand& source, int32_t axis, const std::vector<double>& weights,
              const Operator& f);

// t := f(...f(w0 s0, w1 s1)...) / q along the axis, where w is the weight item's cell at the
// same position and q the divisor's cell; 0 where q is 0 or a NaN. The weights must be an
// item with at least as many ids along the axis as the source (else 10015).
[[nodiscard]] Code RunCorrectWtd(Operand& target, Operand& source, Operand& divisor, Operand& weights,
                   int32_t axis, const Operator& f);

}  // namespace zrt
