// Cell walks: an operand offers its cells one after another, in a fixed order, a block of
// cells at a time.
//
// Order. A flat operand yields cells 0, 1, 2, ... of its item or buffer. A selected operand
// yields the cells of the cartesian product of its selection's id lists in row-major order:
// the last dimension varies fastest, and within a dimension the ids come in the order the
// selection lists them (repeats included), each mapped to its position in the owner's
// dimension. A constant yields its value at every step. After the last cell a step starts
// again at the first, so a walk of one step offers its single cell at every step: this is how
// a one-cell source is applied to every cell of a target.
//
// Runs. BeginWalk turns every id of a selection into its cell-number part once, and finds the
// longest runs the walk makes: the trailing dimensions whose ids are evenly spaced positions of
// the owner (consecutive, reversed, or every k-th) merge into one run of evenly spaced cells;
// the dimensions in front of them step from run to run. A whole item or a buffer is a single
// run. NextRun hands out the next m cells as a progression (first cell and step) when they lie
// in one run, else as a list of cell numbers.
//
// A driver: BeginWalk for each operand (once per call; a file item's access block opens
// here), then the loop under GuardCells, then EndWalk for each, then ReleaseOperand and
// DisposeOperand (or let the operands' destructors do both). Inside the loop, per block:
//
//     uint32_t m = BlockSize(target, n - done);
//     Run to = NextRun(target, m);
//     const uint8_t* v = ReadNext(source, m);      // in place, or gathered into a block
//     WriteRun(target, to, v, nullptr, m);
//
// Nothing in the loop allocates, calls the system or looks an id up.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "arrayfile/operand.h"
#include "frame/codes.h"
#include "platform/platform.h"

namespace zrt {

// The most cells of a block. Element-wise loops take blocks of kStreamCells, so that the blocks
// of all their streams stay in the first-level cache (measured: 256 beats 1024 and 4096 on
// whole items). Folds along an axis take blocks of up to kFoldCells, so that a whole row of
// the source is one block where it fits (measured: rows of 10000 cells read whole beat blocks
// of 2048 and 4096 by a sixth); their blocks then live in the second-level cache.
constexpr uint32_t kStreamCells = 256;
constexpr uint32_t kFoldCells = 16384;
// The alignment of the drivers' blocks on the stack: a cache line, so that no vector store
// into them straddles two lines.
constexpr size_t kBlockAlign = 64;

// The cell numbers of a block: start, start + step, ... (mod 2^32), or list[0], list[1], ...
struct Run {
    uint32_t start = 0;
    int64_t step = 1;
    const uint32_t* list = nullptr;

    uint32_t cell(uint32_t k) const {
        return list ? list[k] : start + static_cast<uint32_t>(static_cast<uint64_t>(step) * k);
    }
    bool contiguous() const { return !list && step == 1; }
};

// Opens the operand's access (file items) and places it on its first cell; steps is the
// number of steps of the walk: 1 for a constant, else the operand's count. Blocks of the walk
// take at most capacity cells (at most kFoldCells). Codes: those of
// open access (10039, 10012), 10001 when a selection does not fit its owner (another rank, or
// an id the owner lacks), 10012 out of memory, 10015 an unknown kind.
[[nodiscard]] Code BeginWalk(Operand& op, uint32_t& steps, uint32_t capacity = kStreamCells);

// The next m cells of the walk (m at most the walk's capacity, or any m while the cells lie
// side by side in one run).
Run NextRun(Operand& op, uint32_t m);

// The values of m cells of a run, each cell number moved on by offset: a pointer into the
// operand's own cells when they lie there side by side, else its block, gathered. Doubles take
// 8 bytes, bits a byte each (1 set, 0 clear). A constant gives its value m times.
const uint8_t* ReadRun(Operand& op, const Run& run, uint32_t m, uint32_t offset = 0);

inline const uint8_t* ReadNext(Operand& op, uint32_t m) { return ReadRun(op, NextRun(op, m), m); }

// Stores m values into the cells of a run, in the run's order, skipping those whose mask byte
// is 0 (mask null: none skipped). File doubles are stored only where the value differs from
// the stored one by more than 1e-14 of the stored value's magnitude (so a stored 0 changes for
// any other value, and a NaN on either side always counts as a change); with an audit stamp
// in force each changed cell's audit cell gets the stamp. A block where nothing changes stores
// nothing, so its pages stay clean.
void WriteRun(Operand& op, const Run& run, const uint8_t* values, const uint8_t* mask, uint32_t m);

// Where a kernel may count the results of a block against the cells they replace
// (CellStays): the target's stored doubles when it keeps them tolerantly and the run's cells
// lie side by side; else null. WriteCountedRun then stores what WriteRun would, knowing that
// same of the m values leave their cells as they are.
const uint8_t* StoredRun(const Operand& target, const Run& run);
void WriteCountedRun(Operand& target, const Run& run, const uint8_t* values, uint32_t m, int64_t same);
// How many of m values leave the stored doubles beside them as they are (CellStays).
int64_t CountUnchanged(const uint8_t* stored, const uint8_t* values, uint32_t m);

// How many cells the next block of a walk over the target takes, at most left and most: that
// many, or the rest of the target's run when that is long, so that its blocks stay in place.
uint32_t BlockSize(const Operand& target, uint32_t left, uint32_t most = kStreamCells);

// Whether a walk that writes the target must go cell by cell to read what it wrote before:
// the source reaches cells of the target (the same item, or its audit cells) in another order
// than the target's own. Both walks must have begun.
bool MustGoCellByCell(const Operand& target, const Operand& source);

// Frees the walk's tables. The access block stays open until DisposeOperand.
void EndWalk(Operand& op);

// Closes the operand's access block (letting go of the file's view).
void DisposeOperand(Operand& op);

// Runs a cell loop under the fault guard: a memory fault while cells are touched (an access
// violation, or a mapped file that another process shortened) ends the loop with 10039; the
// cells written before stay written. The body is left without unwinding, so it must own
// nothing that needs destroying: it works on operands and plain locals only.
template <class Body>
[[nodiscard]] Code GuardCells(Body&& body) {
    return platform::guardFaults(body) ? kOk : kFileError;
}

// Walking an operand with one dimension held at its first id, reaching the other ids of that
// dimension by a fixed offset from the cells walked (the folds along an axis). Declare the
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
// count divided accordingly. The offsets are relative from the start, so for any cell walked
// the cell at id i of the axis is that cell + offsets[i] (offsets[0] is 0). Codes: 10015 an
// operand with no owner structure (a buffer or a constant), 10001 an axis outside 0 to
// rank - 1 or with no ids, 10012 out of memory. The collapse is in force only on success.
[[nodiscard]] Code CollapseAxis(Operand& op, uint32_t axis, AxisCollapse& out);

// Undoes CollapseAxis (after EndWalk): sizes and counts back, a temporary selection released
// and the operand a whole item again.
void RestoreAxis(AxisCollapse& c);

}  // namespace zrt
