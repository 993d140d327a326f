// Cell walks: an operand offers its cells one after another, in a fixed order, through its get
// and put routines.
//
// Order. A flat operand yields cells 0, 1, 2, ... of its item or buffer. A selected operand
// yields the cells of the cartesian product of its selection's id lists in row-major order:
// the last dimension varies fastest, and within a dimension the ids come in the order the
// selection lists them (repeats included), each mapped to its position in the owner's
// dimension. A constant yields its value at every step. After the last cell a step starts
// again at the first, so a walk of one step offers its single cell at every step: this is how
// a one-cell source is applied to every cell of a target.
//
// A driver: BeginWalk for each operand (once per call; a file item's access block opens
// here), then the cell loop under GuardCells, then EndWalk for each, then ReleaseOperand and
// DisposeOperand (or let the operands' destructors do both). Inside the loop, per cell:
//
//     GetCell(source);                 // source.value := its current cell
//     PutCell(target, source.value);   // target's current cell := that value
//     StepWalk(target); StepWalk(source);
//
// Nothing in a step allocates, calls the system or looks an id up: BeginWalk turns every id of
// a selection into its cell-number part once.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "arrayfile/operand.h"
#include "frame/codes.h"
#include "platform/platform.h"

namespace zrt {

// Opens the operand's access (file items) and places it on its first cell; steps is the
// number of steps of the walk: 1 for a constant, else the operand's count. Codes: those of
// open access (10039, 10012), 10001 when a selection does not fit its owner (another rank, or
// an id the owner lacks), 10012 out of memory, 10015 an unknown kind.
Code BeginWalk(Operand& op, uint32_t& steps);

// Moves a selected operand on by one cell (the odometer).
void StepSelected(Operand& op);

// Moves the operand on by one cell; after the last cell it is back on the first.
inline void StepWalk(Operand& op) {
    if (op.kind == kFlatOperand) {
        if (++op.current >= op.count) op.current = 0;
    } else if (op.kind == kSelectedOperand) {
        StepSelected(op);
    }
}

// Frees the walk's counters. The access block stays open until DisposeOperand.
void EndWalk(Operand& op);

// Closes the operand's access block (unmapping and closing its file).
void DisposeOperand(Operand& op);

// The current cell into the operand's value field, or another cell into another location.
inline void GetCell(Operand& op) { op.get(op.data, op.current, op.value, op.access); }
inline void GetCellAt(Operand& op, uint32_t cell, uint8_t* value) {
    op.get(op.data, cell, value, op.access);
}
// A value into the operand's current cell.
inline void PutCell(Operand& op, const uint8_t* value) {
    op.put(op.data, op.current, value, op.access);
}

// Runs a cell loop under the fault guard: a memory fault while cells are touched (an access
// violation, or a mapped file that another process shortened) ends the loop with 10039; the
// cells written before stay written. The body is left without unwinding, so it must own
// nothing that needs destroying: it works on operands and plain locals only.
template <class Body>
Code GuardCells(Body&& body) {
    return platform::guardFaults(body) ? kOk : kFileError;
}

// Walking an operand with one dimension held at its first id, reaching the other ids of that
// dimension by a fixed offset from the current cell (the folds along an axis). Declare the
// AxisCollapse after the operand it collapses: its destructor restores that operand. A
// selection collapsed in place is the operand's own, or the caller's that it was given.
struct AxisCollapse {
    uint32_t axis = 0;
    uint32_t n = 0;                  // ids of the operand along the axis
    std::vector<uint32_t> offsets;   // offsets[i]: cell of id i minus cell of id 0 (mod 2^32)
    std::unique_ptr<Structure> temporary;  // the selection made for a whole item
    Operand* collapsed = nullptr;

    AxisCollapse() = default;
    AxisCollapse(const AxisCollapse&) = delete;
    AxisCollapse& operator=(const AxisCollapse&) = delete;
    ~AxisCollapse();  // restores the operand when RestoreAxis was not called
};

// Collapses op along axis: a whole item first gets a selection that copies its owner
// structure (and becomes kind 2); the selection's size along the axis is held at 1 and the
// count divided accordingly. The offsets are relative from the start, so at any step the cell
// at id i of the axis is current + offsets[i] (offsets[0] is 0). Codes: 10015 an operand with
// no owner structure (a buffer or a constant), 10001 an axis outside 0 to rank - 1 or with no
// ids, 10012 out of memory. The collapse is in force only on success.
Code CollapseAxis(Operand& op, uint32_t axis, AxisCollapse& out);

// Undoes CollapseAxis (after EndWalk): sizes and counts back, a temporary selection released
// and the operand a whole item again.
void RestoreAxis(AxisCollapse& c);

}  // namespace zrt
