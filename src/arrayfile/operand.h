// Operand descriptors: one argument of a cell walk, whatever it is (a whole item, an item seen
// through a selection, a flat buffer of values, or a constant), and, apart, the state of its
// walk (walk.h).
//
// Life of an operand in every driver: made (ParseOperand, or OperandOfItem / OperandOfBuffer /
// OperandOfConstant), BeginWalk once, a loop of NextRun / ReadRun / WriteRun, EndWalk,
// ReleaseOperand, DisposeOperand. The destructor does whatever of the last three is still to
// do, so an early return leaks nothing and leaves no file mapped.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "arrayfile/cells.h"
#include "arrayfile/structure.h"
#include "frame/array.h"
#include "frame/codes.h"

namespace zrt {

struct AccessBlock;
struct ItemObject;

enum OperandKind : uint32_t {
    kConstantOperand = 0,  // one value, offered at every step
    kFlatOperand = 1,      // a whole item, or a buffer: cells 0, 1, 2, ...
    kSelectedOperand = 2,  // an item through a selection: the cartesian product of its ids
};

// The argument forms ParseOperand recognises, which say what ReleaseOperand has to release.
enum OperandForm : uint32_t {
    kSelectionForm = 0,  // (name, selection): the operand owns its selection
    kItemForm = 1,       // name: a whole item
    kConstantForm = 2,   // (cell type, value)
    kBufferForm = 3,     // (cell type, values): the operand may own a copy of the values
};

// How a walk stores into the operand's cells.
enum class Store : uint8_t {
    Plain,     // memory doubles and flat buffers: every value stored
    Tolerant,  // file doubles: only values that differ from the stored one, audited
    Bits,      // bit cells
};

// Where a walk over an operand stands (walk.h). The walk goes through runs of cells:
// runLength cells, runStep apart, the first at current; inRun counts the cells of the run
// already passed. A walk of one cell offers the same cell at every step.
struct WalkState {
    bool walking = false;
    uint32_t current = 0;
    uint32_t inRun = 0;
    uint32_t runLength = 0;
    int64_t runStep = 1;
    bool oneCell = false;
    // kind 2: a run whose cells are not evenly spaced: the offsets of its cells from current.
    const uint32_t* runTable = nullptr;
    // kind 2: the dimensions in front of those that the runs cover, walked as an odometer.
    uint32_t outer = 0;                 // how many dimensions that is
    uint32_t runFirst = 0;              // cell-number part of the run's own dimensions
    std::vector<uint32_t> counters;     // position reached in each outer dimension
    std::vector<uint32_t> partials;     // sum of the cell-number parts of dims 0..d
    // For each selection dimension, position in the owner x owner stride of each of its ids,
    // one run per dimension starting at runStart[d]. Made once by BeginWalk, so that a step
    // costs no lookup.
    std::vector<uint32_t> idOffsets;
    std::vector<uint32_t> runStart;
    bool repeats = false;               // some cell comes more than once in the walk
    std::vector<uint8_t> block;         // a block of values read (walk.h)
    std::vector<uint32_t> cells;        // the cell numbers of a run that is no progression
};

struct Operand {
    Operand() = default;
    ~Operand();
    Operand(const Operand&) = delete;
    Operand& operator=(const Operand&) = delete;

    // ---- the descriptor
    uint32_t kind = kFlatOperand;
    Structure* selection = nullptr;     // kind 2: the ids walked (owned or the caller's)
    // kind 2: the selection lists the owner's ids in the owner's order, so that position k of
    // a dimension is the owner's position k (set for the temporary selection of a collapse).
    bool ownerOrder = false;
    const Structure* owner = nullptr;   // items: the structure of the item's array
    uint32_t count = 0;                 // cells offered: selection's, owner's, buffer's; 1
    uint32_t cellType = 0;              // kBitCellType or kDoubleCellType
    Store store = Store::Plain;
    uint8_t* data = nullptr;            // memory buffer, mapped item data, or flat buffer
    ItemObject* item = nullptr;
    bool inFile = false;                // the item's data are reached through an access block
    uint16_t destination = 0;           // not 0 when the walk writes into this operand
    // A constant's value: a double, or a bit in the first byte (1 set, 0 clear).
    alignas(8) uint8_t value[8] = {};

    // The open file view of an item in a file (access_block.h): opened by the first walk,
    // closed by DisposeOperand.
    AccessBlock* access = nullptr;
    WalkState walk;                     // made by BeginWalk, freed by EndWalk

    // ---- what the operand owns
    std::unique_ptr<Structure> ownSelection;
    ArrayPtr ownValues;
};

// An item whole (selection null: kind 1) or through a selection (kind 2, the selection stays
// the caller's). 10015 when the item has no cells to walk or belongs to no array.
[[nodiscard]] Code OperandOfItem(ItemObject& item, Structure* selection, uint16_t destination, Operand& out);

// A flat buffer of count cells of the cell type (1 bits, 8 doubles); 10004 for another type.
[[nodiscard]] Code OperandOfBuffer(uint32_t cellType, uint8_t* data, uint32_t count, uint16_t destination,
                     Operand& out);

// A constant: type 1 a bit (set when value is not 0), type 8 a double; 10004 for another
// type.
[[nodiscard]] Code OperandOfConstant(uint32_t cellType, double value, Operand& out);

// Item index of arg is a (name, selection) pair: the item named (kind 4) and the selection
// built against its array's structure with ids checked. 10004 not a nested vector or a name
// that is not text, 10002 no selection, the registry's and the selection builder's codes.
[[nodiscard]] Code ParseItemOperand(const APLArray* arg, uint32_t index, std::unique_ptr<Structure>& selection,
                      ItemObject*& item);

// Item index of arg as an operand, in any of the four forms (OperandForm). A constant cannot
// be a destination (10015); a flat buffer that is one gets its own copy of the values, so
// what is written into it is discarded with the operand.
[[nodiscard]] Code ParseOperand(const APLArray* arg, uint32_t index, Operand& out, uint16_t destination,
                  uint32_t& form);

// Releases what parsing made for the operand: its selection and its copy of the values.
void ReleaseOperand(Operand& op);

}  // namespace zrt
