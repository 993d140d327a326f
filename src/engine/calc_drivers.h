// Calc's three drivers: each begins the walks of its operands, applies an operator of the
// tables (operators.h) to every cell of the target's walk, a block of cells at a time, and
// ends the walks. The operands are parsed, released and disposed of by the caller.
//
// Step counts: every source must offer 1 cell (applied at every step) or as many as the target,
// else 10001 before any cell is written. Cell types: the sources must be of the type the
// operator takes and the target of the type it gives ("mov", "movif" and "movaud": the target's
// and the moved source's types alike; a condition of bits, a stamp of doubles), else 10015:
// a bit is never read as a double, nor the other way round. The cell loop runs under the fault
// guard: a fault ends it with 10039, and the cells written before stay written.
//
// Blocks give the results of the cell-by-cell definition: where a source reaches cells that
// the target writes in another order, or a target that reads itself walks a cell twice, the
// blocks are one cell long (walk.h, MustGoCellByCell).
#pragma once

#include "arrayfile/operand.h"
#include "engine/operators.h"
#include "frame/codes.h"

namespace zrt {

// t := t op s for every target cell ("mov": t := s, the target not read). Nothing is done
// when the source offers no cells, or is a constant and the target offers none; then 10015
// when op is null.
[[nodiscard]] Code RunTwoOperand(Operand& target, Operand& source, const Operator* op);

// t := a op b for every target cell, with "movif" (t := a where b is true) and "movaud"
// (t := a, every changed cell of the target's array file stamped with b's first cell) treated
// apart. Nothing is done when a or b offers no cells; then 10015 when op is null, or for
// "movaud" when the target does not lie in an array file.
[[nodiscard]] Code RunThreeOperand(Operand& target, Operand& a, Operand& b, const Operator* op);

// "movif" with a stamp: t := a where the condition is true, every changed cell of the
// target's array file stamped with the stamp operand's first cell. Nothing is done when a,
// the condition or the stamp offers no cells; then 10015 for any operator but "movif", or
// when the target does not lie in an array file.
[[nodiscard]] Code RunConditionalAudited(Operand& target, Operand& a, Operand& condition, Operand& stamp,
                           const Operator* op);

}  // namespace zrt
