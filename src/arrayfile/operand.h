// Operand descriptors: one argument of a cell walk, whatever it is (a whole item, an item seen
// through a selection, a flat buffer of values, or a constant), with the cell routines that
// read and write it and the working fields of its walk (walk.h).
//
// Life of an operand in every driver: made (ParseOperand, or OperandOfItem / OperandOfBuffer /
// OperandOfConstant), BeginWalk once, a loop of get / put / StepWalk, EndWalk, ReleaseOperand,
// DisposeOperand. The destructor does whatever of the last three is still to do, so an early
// return leaks nothing and leaves no file mapped.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "arrayfile/cells.h"
#include "arrayfile/structure.h"
#include "frame/array.h"
#include "frame/codes.h"

namespace zrt {

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
    uint8_t* data = nullptr;            // memory buffer, mapped item data, or flat buffer
    CellGet get = nullptr;
    CellPut put = nullptr;
    struct ItemObject* item = nullptr;
    OpenAccess openAccess = nullptr;
    CloseAccess closeAccess = nullptr;
    uint16_t destination = 0;           // not 0 when the walk writes into this operand
    // The value field: a constant's value; for every other operand it receives each cell read
    // and supplies each cell written. Doubles fill it, bits use its first byte.
    alignas(8) uint8_t value[8] = {};

    // ---- the working fields of a walk (walk.h)
    struct AccessBlock* access = nullptr;
    uint32_t current = 0;               // cell number in the item, or index in the buffer
    std::vector<uint32_t> counters;     // kind 2: position reached in each selection dimension
    std::vector<uint32_t> partials;     // kind 2: sum of the cell-number parts of dims 0..d
    // kind 2: for each selection dimension, position in the owner x owner stride of each of
    // its ids, one run per dimension starting at runStart[d]. Made once by BeginWalk, so that
    // a step costs no lookup.
    std::vector<uint32_t> idOffsets;
    std::vector<uint32_t> runStart;

    // ---- what the operand owns
    std::unique_ptr<Structure> ownSelection;
    ArrayPtr ownValues;
    bool walking = false;
};

// An item whole (selection null: kind 1) or through a selection (kind 2, the selection stays
// the caller's). 10015 when the item has no cells to walk (no routines for its flags) or
// belongs to no array.
Code OperandOfItem(ItemObject& item, Structure* selection, uint16_t destination, Operand& out);

// A flat buffer of count cells of the cell type (1 bits, 8 doubles); 10004 for another type.
Code OperandOfBuffer(uint32_t cellType, uint8_t* data, uint32_t count, uint16_t destination,
                     Operand& out);

// A constant: type 1 a bit (set when value is not 0), type 8 a double; 10004 for another
// type.
Code OperandOfConstant(uint32_t cellType, double value, Operand& out);

// Item index of arg is a (name, selection) pair: the item named (kind 4) and the selection
// built against its array's structure with ids checked. 10004 not a nested vector or a name
// that is not text, 10002 no selection, the registry's and the selection builder's codes.
Code ParseItemOperand(const APLArray* arg, uint32_t index, std::unique_ptr<Structure>& selection,
                      ItemObject*& item);

// Item index of arg as an operand, in any of the four forms (OperandForm). A constant cannot
// be a destination (10015); a flat buffer that is one gets its own copy of the values, so
// what is written into it is discarded with the operand.
Code ParseOperand(const APLArray* arg, uint32_t index, Operand& out, uint16_t destination,
                  uint32_t& form);

// Releases what parsing made for the operand: its selection and its copy of the values.
void ReleaseOperand(Operand& op);

}  // namespace zrt
