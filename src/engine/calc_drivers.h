// Calc's three drivers: each begins the walks of its operands, applies a cell routine of the
// operator tables (operators.h) at every step of the target's walk, and ends the walks. The
// operands are parsed, released and disposed of by the caller.
//
// Step counts: every source must offer 1 cell (applied at every step) or as many as the target,
// else 10001 before any cell is written. The cell loop runs under the fault guard: a fault ends
// it with 10039, and the cells written before stay written.
#pragma once

#include "arrayfile/operand.h"
#include "engine/operators.h"
#include "frame/codes.h"

namespace zrt {

// t := f(t, s) for every target cell ("mov": t := s, the target not read). Nothing is done
// when the source offers no cells, or is a constant and the target offers none; then 10015
// when f is null.
Code RunTwoOperand(Operand& target, Operand& source, TwoOperandRoutine f);

// t := f(a, b) for every target cell, with "movif" (t := a where b is true) and "movaud"
// (t := a, every changed cell of the target's array file stamped with b's first cell) treated
// apart. Nothing is done when a or b offers no cells; then 10015 when f is null, or for
// "movaud" when the target does not lie in an array file.
Code RunThreeOperand(Operand& target, Operand& a, Operand& b, ThreeOperandRoutine f);

// "movif" with a stamp: t := a where the condition is true, every changed cell of the
// target's array file stamped with the stamp operand's first cell. Nothing is done when a,
// the condition or the stamp offers no cells; then 10015 for any operator but "movif", or
// when the target does not lie in an array file.
Code RunConditionalAudited(Operand& target, Operand& a, Operand& condition, Operand& stamp,
                           ThreeOperandRoutine f);

}  // namespace zrt
