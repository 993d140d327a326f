#include "arrayfile/walk.h"

#include <algorithm>

#include "arrayfile/access_block.h"
#include "arrayfile/objects.h"
#include "platform/vector_clones.h"

namespace zrt {

namespace {

// The step between evenly spaced offsets, or false when they are not.
bool evenStep(const uint32_t* offsets, uint32_t n, int64_t& step) {
    step = int64_t(offsets[1]) - int64_t(offsets[0]);
    for (uint32_t k = 2; k < n; ++k)
        if (int64_t(offsets[k]) - int64_t(offsets[k - 1]) != step) return false;
    return true;
}

bool hasRepeats(const uint32_t* offsets, uint32_t n, std::vector<uint32_t>& sorted) {
    sorted.assign(offsets, offsets + n);
    std::sort(sorted.begin(), sorted.end());
    return std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
}

// Merges trailing dimensions into the run while their ids stay evenly spaced at the run's
// pace; the others become the odometer in front of it. A last dimension that is not evenly
// spaced is a run of its own, its cells listed by its offsets.
void findRuns(Operand& op) {
    const Structure& sel = *op.selection;
    uint32_t length = 1, first = 0;
    int64_t step = 0;
    int32_t d = static_cast<int32_t>(sel.rank()) - 1;
    op.walk.runTable = nullptr;
    for (; d >= 0; --d) {
        uint32_t n = sel.dims[d].size;
        const uint32_t* offsets = &op.walk.idOffsets[op.walk.runStart[d]];
        if (n > 1) {
            int64_t t;
            if (!evenStep(offsets, n, t)) {
                if (length > 1) break;
                op.walk.runTable = offsets;  // the last dimension that counts, listed
                length = n;
                --d;
                break;
            }
            if (length == 1) step = t;
            else if (t != step * length) break;
            length *= n;
        }
        first += offsets[0];
    }
    op.walk.outer = static_cast<uint32_t>(d + 1);
    op.walk.runFirst = first;
    op.walk.runLength = length;
    op.walk.runStep = length == 1 ? 1 : step;
}

// The cell-number part of every id of the selection, its runs, and the walk placed on its
// first cell.
Code beginSelected(Operand& op, uint32_t capacity) {
    const Structure& sel = *op.selection;
    const Structure& owner = *op.owner;
    uint32_t rank = sel.rank();
    if (rank != owner.rank()) return kRange;
    op.walk.current = 0;
    if (op.count == 0) return kOk;  // nothing to walk: no id is looked at
    size_t total = 0;
    for (uint32_t d = 0; d < rank; ++d) total += sel.dims[d].size;
    op.walk.idOffsets.assign(total, 0);
    op.walk.runStart.assign(rank, 0);
    // Walking the owner's own ids in its own order (a transposed copy, a collapsed whole item)
    // needs no lookup: position k is position k, repeated ids included.
    bool own = op.ownerOrder || &sel == &owner;
    uint32_t at = 0;
    op.walk.repeats = false;
    std::vector<uint32_t> sorted;
    for (uint32_t d = 0; d < rank; ++d) {
        const Dimension& s = sel.dims[d];
        const Dimension& o = owner.dims[d];
        op.walk.runStart[d] = at;
        for (uint32_t k = 0; k < s.size; ++k) {
            int32_t position = own ? int32_t(k) : Lookup(o, s.ids[k]);
            if (position < 0) return kRange;
            op.walk.idOffsets[at + k] = static_cast<uint32_t>(position) * o.stride;
        }
        if (!own && s.size > 1 && hasRepeats(&op.walk.idOffsets[at], s.size, sorted)) op.walk.repeats = true;
        at += s.size;
    }
    findRuns(op);
    op.walk.counters.assign(op.walk.outer, 0);
    op.walk.partials.assign(op.walk.outer, 0);
    uint32_t cell = 0;
    for (uint32_t d = 0; d < op.walk.outer; ++d) {
        cell += op.walk.idOffsets[op.walk.runStart[d]];
        op.walk.partials[d] = cell;
    }
    op.walk.current = cell + op.walk.runFirst;
    op.walk.cells.resize(capacity);
    return kOk;
}

// The odometer: the first cell of the next run; after the last run, the first again.
void nextRun(Operand& op) {
    op.walk.inRun = 0;
    if (op.walk.outer == 0) return;
    const Structure& sel = *op.selection;
    int32_t d = static_cast<int32_t>(op.walk.outer) - 1;
    while (d >= 0 && ++op.walk.counters[d] >= sel.dims[d].size) op.walk.counters[d--] = 0;
    if (d < 0) d = 0;  // every counter wrapped: back to the first cell
    uint32_t cell = d > 0 ? op.walk.partials[d - 1] : 0;
    for (uint32_t j = static_cast<uint32_t>(d); j < op.walk.outer; ++j) {
        cell += op.walk.idOffsets[op.walk.runStart[j] + op.walk.counters[j]];
        op.walk.partials[j] = cell;
    }
    op.walk.current = cell + op.walk.runFirst;
}

uint32_t cellInRun(const Operand& op) {
    if (op.walk.runTable) return op.walk.current + op.walk.runTable[op.walk.inRun];
    return op.walk.current + static_cast<uint32_t>(static_cast<uint64_t>(op.walk.runStep) * op.walk.inRun);
}

// A constant's value, over its whole block.
void fillConstant(Operand& op) {
    uint32_t size = BlockCellBytes(op.cellType);
    for (size_t at = 0; at < op.walk.block.size(); at += size) std::memcpy(&op.walk.block[at], op.value, size);
}

void storeTolerant(uint8_t* data, uint32_t cell, const uint8_t* value, const AccessBlock& access) {
    uint8_t* at = data + uint64_t(cell) * 8;
    if (!CellChanges(LoadDouble(at), LoadDouble(value))) return;
    if (access.auditData) StoreDouble(access.auditData + uint64_t(cell) * 8, access.auditValue);
    std::memcpy(at, value, 8);
}

// Side by side cells of which same stay as they are: a block where nothing changes is not
// written at all, and one where everything does is copied whole; false for a block of both.
bool storeCounted(uint8_t* data, uint32_t start, const uint8_t* values, uint32_t m, int64_t same,
                  const AccessBlock& access) {
    if (same == m) return true;
    if (same > 0) return false;
    std::memcpy(data + uint64_t(start) * 8, values, size_t(m) * 8);
    if (uint8_t* audit = access.auditData)
        for (uint32_t k = 0; k < m; ++k) StoreDouble(audit + (uint64_t(start) + k) * 8, access.auditValue);
    return true;
}

void storeEach(Operand& op, const Run& run, const uint8_t* values, const uint8_t* mask, uint32_t m) {
    for (uint32_t k = 0; k < m; ++k)
        if (!mask || mask[k]) storeTolerant(op.data, run.cell(k), values + 8 * size_t(k), *op.access);
}

}  // namespace

Code BeginWalk(Operand& op, uint32_t& steps, uint32_t capacity) {
    if (op.inFile && !op.access) {
        if (Code c = CreateFileAccessBlock(*op.item, op.access)) return c;
        op.data = op.access->itemData;
    }
    op.walk = WalkState{};
    op.walk.walking = true;
    op.walk.block.resize(size_t(capacity) * BlockCellBytes(op.cellType));
    switch (op.kind) {
    case kConstantOperand:
        fillConstant(op);
        steps = 1;
        return kOk;
    case kFlatOperand:
        op.walk.current = 0;
        op.walk.runLength = op.count;
        op.walk.runStep = 1;
        op.walk.oneCell = op.count == 1;
        steps = op.count;
        return kOk;
    case kSelectedOperand:
        if (!op.selection || !op.owner) return kUnsuited;
        if (Code c = beginSelected(op, capacity)) return c;
        op.walk.oneCell = op.count == 1;
        steps = op.count;
        return kOk;
    default:
        return kUnsuited;
    }
}

Run NextRun(Operand& op, uint32_t m) {
    if (op.kind == kConstantOperand || op.walk.oneCell) return {op.walk.current, 0, nullptr};
    if (op.walk.runLength - op.walk.inRun >= m && !op.walk.runTable) {
        Run run{cellInRun(op), op.walk.runStep, nullptr};
        op.walk.inRun += m;
        if (op.walk.inRun == op.walk.runLength) nextRun(op);
        return run;
    }
    uint32_t* list = op.walk.cells.data();
    for (uint32_t k = 0; k < m; ++k) {
        list[k] = cellInRun(op);
        if (++op.walk.inRun == op.walk.runLength) nextRun(op);
    }
    return {0, 0, list};
}

const uint8_t* ReadRun(Operand& op, const Run& run, uint32_t m, uint32_t offset) {
    if (op.kind == kConstantOperand) return op.walk.block.data();
    uint8_t* out = op.walk.block.data();
    const uint8_t* data = op.data;
    if (op.cellType == kDoubleCellType) {
        if (run.contiguous()) return data + uint64_t(run.start + offset) * 8;
        for (uint32_t k = 0; k < m; ++k)
            std::memcpy(out + 8 * size_t(k), data + uint64_t(run.cell(k) + offset) * 8, 8);
    } else {
        for (uint32_t k = 0; k < m; ++k) out[k] = LoadBit(data, run.cell(k) + offset);
    }
    return out;
}

void WriteRun(Operand& op, const Run& run, const uint8_t* values, const uint8_t* mask, uint32_t m) {
    uint8_t* data = op.data;
    switch (op.store) {
    case Store::Plain:
        if (run.contiguous() && !mask) {
            std::memcpy(data + uint64_t(run.start) * 8, values, size_t(m) * 8);
            return;
        }
        for (uint32_t k = 0; k < m; ++k)
            if (!mask || mask[k]) std::memcpy(data + uint64_t(run.cell(k)) * 8, values + 8 * size_t(k), 8);
        return;
    case Store::Tolerant:
        if (run.contiguous() && !mask &&
            storeCounted(data, run.start, values, m, CountUnchanged(data + uint64_t(run.start) * 8, values, m),
                         *op.access))
            return;
        storeEach(op, run, values, mask, m);
        return;
    case Store::Bits:
        for (uint32_t k = 0; k < m; ++k)
            if (!mask || mask[k]) StoreBit(data, run.cell(k), values[k]);
        return;
    }
}

ZRT_VECTOR_CLONES int64_t CountUnchanged(const uint8_t* stored, const uint8_t* values, uint32_t m) {
    int64_t same = 0;
    for (uint32_t k = 0; k < m; ++k) same += CellStays(LoadDouble(stored + 8 * size_t(k)), LoadDouble(values + 8 * size_t(k)));
    return same;
}

const uint8_t* StoredRun(const Operand& target, const Run& run) {
    return target.store == Store::Tolerant && run.contiguous() ? target.data + uint64_t(run.start) * 8 : nullptr;
}

void WriteCountedRun(Operand& target, const Run& run, const uint8_t* values, uint32_t m, int64_t same) {
    if (!storeCounted(target.data, run.start, values, m, same, *target.access))
        storeEach(target, run, values, nullptr, m);
}

uint32_t BlockSize(const Operand& target, uint32_t left, uint32_t most) {
    uint32_t m = std::min(left, most);
    if (target.kind == kConstantOperand || target.walk.oneCell) return m;
    uint32_t run = target.walk.runLength - target.walk.inRun;
    return run < m && run >= 32 ? run : m;
}

bool MustGoCellByCell(const Operand& target, const Operand& source) {
    if (!target.item || !source.item) return false;  // buffers are copies, constants values
    // Whole items walked in step: each cell is read before it is written, and never again.
    if (target.kind == kFlatOperand && source.kind == kFlatOperand && source.count == target.count)
        return false;
    if (target.item == source.item) return true;
    return target.access && source.access &&
           SameFileCells(*target.access, target.item->itemIndex, *source.access,
                         source.item->itemIndex);
}

void EndWalk(Operand& op) { op.walk = WalkState{}; }

void DisposeOperand(Operand& op) {
    if (op.access) {
        CloseFileAccessBlock(op.access);
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
        if (Code c = Reorder(*op.owner, *temporary, nullptr)) return c;  // a copy, strides included, no tables
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
