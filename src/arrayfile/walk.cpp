#include "arrayfile/walk.h"

#include "arrayfile/access_block.h"
#include "arrayfile/objects.h"

namespace zrt {

namespace {

// The cell-number part of every id of the selection, and the walk placed on its first cell.
Code beginSelected(Operand& op) {
    const Structure& sel = *op.selection;
    const Structure& owner = *op.owner;
    uint32_t rank = sel.rank();
    if (rank != owner.rank()) return kRange;
    op.counters.assign(rank, 0);
    op.partials.assign(rank, 0);
    op.runStart.assign(rank, 0);
    op.current = 0;
    if (op.count == 0) return kOk;  // nothing to walk: no id is looked at
    size_t total = 0;
    for (uint32_t d = 0; d < rank; ++d) total += sel.dims[d].size;
    op.idOffsets.assign(total, 0);
    // Walking the owner's own ids in its own order (a transposed copy, a collapsed whole item)
    // needs no lookup: position k is position k, repeated ids included.
    bool own = op.ownerOrder || &sel == &owner;
    uint32_t at = 0, cell = 0;
    for (uint32_t d = 0; d < rank; ++d) {
        const Dimension& s = sel.dims[d];
        const Dimension& o = owner.dims[d];
        op.runStart[d] = at;
        for (uint32_t k = 0; k < s.size; ++k) {
            int32_t position = own ? int32_t(k) : Lookup(o, s.ids[k]);
            if (position < 0) return kRange;
            op.idOffsets[at + k] = static_cast<uint32_t>(position) * o.stride;
        }
        cell += op.idOffsets[at];
        op.partials[d] = cell;
        at += s.size;
    }
    op.current = cell;
    return kOk;
}

}  // namespace

Code BeginWalk(Operand& op, uint32_t& steps) {
    if (op.openAccess && !op.access) {
        if (Code c = op.openAccess(op.destination, *op.item, op.access)) return c;
        op.data = op.access->itemData;
    }
    op.walking = true;
    switch (op.kind) {
    case kConstantOperand:
        op.current = 0;
        steps = 1;
        return kOk;
    case kFlatOperand:
        op.current = 0;
        steps = op.count;
        return kOk;
    case kSelectedOperand:
        if (!op.selection || !op.owner) return kUnsuited;
        if (Code c = beginSelected(op)) return c;
        steps = op.count;
        return kOk;
    default:
        return kUnsuited;
    }
}

void StepSelected(Operand& op) {
    if (op.idOffsets.empty()) return;  // a walk of no cells has nowhere to go
    const Structure& sel = *op.selection;
    int32_t rank = static_cast<int32_t>(sel.rank());
    int32_t d = rank - 1;
    while (d >= 0 && ++op.counters[d] >= sel.dims[d].size) op.counters[d--] = 0;
    if (d < 0) d = 0;  // every counter wrapped: back to the first cell
    uint32_t cell = d > 0 ? op.partials[d - 1] : 0;
    for (int32_t j = d; j < rank; ++j) {
        cell += op.idOffsets[op.runStart[j] + op.counters[j]];
        op.partials[j] = cell;
    }
    op.current = cell;
}

void EndWalk(Operand& op) {
    std::vector<uint32_t>().swap(op.counters);
    std::vector<uint32_t>().swap(op.partials);
    std::vector<uint32_t>().swap(op.idOffsets);
    std::vector<uint32_t>().swap(op.runStart);
    op.walking = false;
}

void DisposeOperand(Operand& op) {
    if (op.closeAccess && op.access) {
        op.closeAccess(op.access);
        op.data = nullptr;  // it pointed into the mapping
    }
    op.access = nullptr;
}

AxisCollapse::~AxisCollapse() { RestoreAxis(*this); }

Code CollapseAxis(Operand& op, uint32_t axis, AxisCollapse& out) {
    if (!op.owner || !op.item || op.kind == kConstantOperand) return kUnsuited;
    if (axis >= op.owner->rank()) return kRange;
    std::unique_ptr<Structure> temporary;
    if (op.kind == kFlatOperand) {
        temporary = std::make_unique<Structure>();
        Reorder(*op.owner, *temporary, nullptr);  // a copy, strides included, no tables
    }
    Structure& sel = temporary ? *temporary : *op.selection;
    if (axis >= sel.rank()) return kRange;
    Dimension& d = sel.dims[axis];
    const Dimension& o = op.owner->dims[axis];
    if (d.size == 0) return kRange;
    std::vector<uint32_t> offsets(d.size);
    bool own = temporary || op.ownerOrder || op.selection == op.owner;
    for (uint32_t i = 0; i < d.size; ++i) {
        int32_t position = own ? int32_t(i) : Lookup(o, d.ids[i]);
        if (position < 0) return kRange;
        offsets[i] = static_cast<uint32_t>(position) * o.stride;
    }
    for (uint32_t i = d.size; i-- > 0;) offsets[i] -= offsets[0];

    out.axis = axis;
    out.n = d.size;
    out.offsets = std::move(offsets);
    out.collapsed = &op;
    if (temporary) {
        out.temporary = std::move(temporary);
        op.selection = out.temporary.get();
        op.ownerOrder = true;
        op.kind = kSelectedOperand;
    }
    op.count /= out.n;
    op.selection->cells = op.count;
    op.selection->dims[axis].size = 1;
    return kOk;
}

void RestoreAxis(AxisCollapse& c) {
    Operand* op = c.collapsed;
    if (!op) return;
    op->count *= c.n;
    op->selection->cells = op->count;
    op->selection->dims[c.axis].size = c.n;
    if (c.temporary) {
        op->selection = nullptr;
        op->ownerOrder = false;
        op->kind = kFlatOperand;
        c.temporary.reset();
    }
    std::vector<uint32_t>().swap(c.offsets);
    c.collapsed = nullptr;
}

}  // namespace zrt
