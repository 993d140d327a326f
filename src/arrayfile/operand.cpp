#include "arrayfile/operand.h"

#include <cstring>

#include "arrayfile/arguments.h"
#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "arrayfile/walk.h"
#include "frame/args.h"

namespace zrt {

Operand::~Operand() {
    if (walk.walking) EndWalk(*this);
    ReleaseOperand(*this);
    DisposeOperand(*this);
}

Code OperandOfItem(ItemObject& item, Structure* selection, uint16_t destination, Operand& out) {
    NamedObject* array = ArrayOf(&item);
    if (!array || !Walkable(item.flags)) return kUnsuited;
    out.owner = &StructureOf(array);
    out.kind = selection ? kSelectedOperand : kFlatOperand;
    out.selection = selection;
    out.count = selection ? selection->cells : out.owner->cells;
    out.cellType = CellTypeOf(item.flags);
    out.inFile = (item.flags & kResidencyMask) == kInFile;
    out.store = out.cellType == kBitCellType ? Store::Bits
                : out.inFile                 ? Store::Tolerant
                                             : Store::Plain;
    out.data = item.buffer.data();
    out.item = &item;
    out.destination = destination;
    return kOk;
}

Code OperandOfBuffer(uint32_t cellType, uint8_t* data, uint32_t count, uint16_t destination,
                     Operand& out) {
    if (cellType != kBitCellType && cellType != kDoubleCellType) return kBadType;
    out.kind = kFlatOperand;
    out.count = count;
    out.cellType = cellType;
    out.store = cellType == kBitCellType ? Store::Bits : Store::Plain;
    out.data = data;
    out.destination = destination;
    return kOk;
}

Code OperandOfConstant(uint32_t cellType, double value, Operand& out) {
    if (cellType == kBitCellType) {
        out.value[0] = value != 0 ? 1 : 0;
    } else if (cellType == kDoubleCellType) {
        StoreDouble(out.value, value);
    } else {
        return kBadType;
    }
    out.kind = kConstantOperand;
    out.count = 1;
    out.cellType = cellType;
    return kOk;
}

Code ParseItemOperand(const APLArray* arg, uint32_t index, std::unique_ptr<Structure>& selection,
                      ItemObject*& item) {
    APLArray* pair;
    if (Code c = GetItemArray(arg, index, pair)) return c;
    if (!pair || typeOf(pair) != kNested || rankOf(pair) != 1) return kBadType;
    std::string name;
    if (Code c = NameOf(pair, 0, name)) return c;
    ItemObject* found;
    if (Code c = LocateAs(name.c_str(), found)) return c;
    NamedObject* array = ArrayOf(found);
    if (!array) return kUnsuited;
    APLArray* ids = nullptr;
    if (cellCount(pair) >= 2) ids = slotAt(pair, 1);
    auto built = std::make_unique<Structure>();
    if (Code c = BuildFromSelection(ids, &StructureOf(array), *built, 0, true)) return c;
    selection = std::move(built);
    item = found;
    return kOk;
}

namespace {

// A copy of an array of simple type, for a buffer that a walk may write into.
Code copyOf(const APLArray* a, ArrayPtr& out) {
    out.reset(AllocArray(typeOf(a), rankOf(a), shapeOf(a)));
    if (!out) return kNoMemory;
    std::memcpy(dataOf(out.get()), dataOf(a), size_t(out->blockWords) * 4 - 8 - 4 * rankOf(a));
    return kOk;
}

// (cell type, values): bits need a Boolean array, doubles any numeric one.
Code bufferOperand(const APLArray* pair, uint32_t cellType, uint16_t destination, Operand& out) {
    APLArray* values;
    if (Code c = GetItemArray(pair, 1, values)) return c;
    if (!values) return kBadType;
    const APLArray* cells = values;
    if (cellType == kBitCellType) {
        if (typeOf(values) != kBool) return kBadType;
        if (destination)
            if (Code c = copyOf(values, out.ownValues)) return c;
    } else if (cellType == kDoubleCellType) {
        if (Code c = ToDoubles(values, out.ownValues, cells)) return c;
        if (destination && !out.ownValues)
            if (Code c = copyOf(values, out.ownValues)) return c;
    } else {
        return kBadType;
    }
    if (out.ownValues) cells = out.ownValues.get();
    // A source's cells are only read: the caller's array is never written.
    uint8_t* data = const_cast<uint8_t*>(dataOf(cells));
    return OperandOfBuffer(cellType, data, cellCount(cells), destination, out);
}

Code constantOperand(const APLArray* a, uint16_t destination, Operand& out) {
    if (destination) return kUnsuited;
    int32_t cellType;
    double value;
    if (Code c = GetItemInt(a, 0, cellType)) return c;
    if (Code c = GetItemDouble(a, 1, value)) return c;
    return OperandOfConstant(static_cast<uint32_t>(cellType), value, out);
}

Code namedItemOperand(const APLArray* arg, uint32_t index, uint16_t destination, Operand& out) {
    std::string name;
    if (Code c = NameOf(arg, index, name)) return c;
    ItemObject* found;
    if (Code c = LocateAs(name.c_str(), found)) return c;
    return OperandOfItem(*found, nullptr, destination, out);
}

}  // namespace

Code ParseOperand(const APLArray* arg, uint32_t index, Operand& out, uint16_t destination,
                  uint32_t& form) {
    APLArray* a;
    if (Code c = GetItemArray(arg, index, a)) return c;
    if (!a) return kBadType;
    uint32_t t = typeOf(a);
    if (t == kNested) {
        int32_t cellType;
        if (GetItemInt(a, 0, cellType) == kOk) {
            form = kBufferForm;
            return bufferOperand(a, static_cast<uint32_t>(cellType), destination, out);
        }
        form = kSelectionForm;
        std::unique_ptr<Structure> selection;
        ItemObject* item;
        if (Code c = ParseItemOperand(arg, index, selection, item)) return c;
        if (Code c = OperandOfItem(*item, selection.get(), destination, out)) return c;
        out.ownSelection = std::move(selection);
        return kOk;
    }
    if (t == kChar) {
        form = kItemForm;
        return namedItemOperand(arg, index, destination, out);
    }
    if (isSimpleNumeric(t)) {
        form = kConstantForm;
        return constantOperand(a, destination, out);
    }
    return kBadType;
}

void ReleaseOperand(Operand& op) {
    if (op.ownSelection && op.selection == op.ownSelection.get()) op.selection = nullptr;
    op.ownSelection.reset();
    if (op.ownValues) op.data = nullptr;
    op.ownValues.reset();
}

}  // namespace zrt
