#include "engine/folds.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "arrayfile/walk.h"
#include "engine/walk_scope.h"
#include "platform/vector_clones.h"

namespace zrt {

namespace {

// acc := f(acc, v) for m cells; "mov" keeps the last value.
void combine(const Operator& f, uint8_t* acc, const uint8_t* v, uint32_t m, uint32_t size) {
    if (f.kernel) f.kernel(acc, acc, v, m, nullptr);
    else std::memcpy(acc, v, size_t(m) * size);
}

// out := v x w for m doubles, w one number or m of them.
ZRT_VECTOR_CLONES void weigh(uint8_t* out, const uint8_t* v, double w, uint32_t m) {
    for (uint32_t j = 0; j < m; ++j) StoreDouble(out + 8 * size_t(j), LoadDouble(v + 8 * size_t(j)) * w);
}
ZRT_VECTOR_CLONES void weigh(uint8_t* out, const uint8_t* v, const uint8_t* w, uint32_t m) {
    for (uint32_t j = 0; j < m; ++j)
        StoreDouble(out + 8 * size_t(j), LoadDouble(v + 8 * size_t(j)) * LoadDouble(w + 8 * size_t(j)));
}

// acc := acc / q, or 0 where q is 0 or a NaN.
ZRT_VECTOR_CLONES void divideBy(uint8_t* acc, const uint8_t* q, uint32_t m) {
    for (uint32_t j = 0; j < m; ++j) {
        double d = LoadDouble(q + 8 * size_t(j));
        bool zero = !(d < 0 || d > 0);
        StoreDouble(acc + 8 * size_t(j), zero ? 0.0 : LoadDouble(acc + 8 * size_t(j)) / d);
    }
}

bool allDoubles(std::initializer_list<const Operand*> ops) {
    for (const Operand* op : ops)
        if (op->cellType != kDoubleCellType) return false;
    return true;
}

// Whether the ids along the axis are consecutive cells: offsets 0, 1, 2, ...
bool consecutive(const AxisCollapse& along) {
    for (uint32_t i = 0; i < along.n; ++i)
        if (along.offsets[i] != i) return false;
    return true;
}

// The blocks of a fold, made before its loop: up to capacity target cells at a time.
struct FoldBlocks {
    uint32_t capacity;
    std::vector<uint8_t> acc, term;
    std::vector<const uint8_t*> runs;

    explicit FoldBlocks(const Operand& target, bool terms = false, bool sideBySide = false)
        : capacity(std::clamp(target.count, 1u, kFoldCells)), acc(size_t(capacity) * 8),
          term(terms ? size_t(capacity) * 8 : 0), runs(sideBySide ? capacity : 0) {}
};

// The fold of k target cells whose source cells lie side by side: a run per target cell.
void foldSideBySide(const Operator& f, Operand& source, const Run& from, uint32_t k, uint32_t n,
                    FoldBlocks& blocks) {
    for (uint32_t j = 0; j < k; ++j) blocks.runs[j] = source.data + uint64_t(from.cell(j)) * 8;
    f.foldRuns(blocks.acc.data(), blocks.runs.data(), k, n);
}

// acc := the fold by f of the n terms, k cells each, that weighed(out, i) writes for term i.
template <class Weighed>
void foldWeighed(const Operator& f, FoldBlocks& blocks, uint32_t n, uint32_t k, Weighed weighed) {
    uint8_t* acc = blocks.acc.data();
    uint8_t* term = blocks.term.data();
    weighed(acc, 0);
    for (uint32_t i = 1; i < n; ++i) {
        weighed(term, i);
        f.kernel(acc, acc, term, k, nullptr);
    }
}

// The walks of a fold: the target, and the collapsed source in step with it.
Code beginFold(Operand& target, Operand& source, uint32_t& m, uint32_t capacity) {
    if (Code c = BeginWalk(target, m, capacity)) return c;
    return BeginInStep(source, m, capacity);
}

}  // namespace

Code CheckFoldAxis(const Operand& op, int32_t axis) {
    if (op.kind == kConstantOperand || !op.item || !op.owner) return kUnsuited;
    if (axis < 0 || static_cast<uint32_t>(axis) >= op.owner->rank()) return kUnsuited;
    if (op.selection && op.selection->rank() != op.owner->rank()) return kUnsuited;
    return kOk;
}

uint32_t IdsAlong(const Operand& op, uint32_t axis) {
    const Structure& s = op.selection ? *op.selection : *op.owner;
    return s.dims[axis].size;
}

Code RunReduce(Operand& target, Operand& source, int32_t axis, const Operator* f) {
    if (!f) return kUnsuited;
    if (source.count == 0) return kRange;
    if (Code c = CheckFoldAxis(source, axis)) return c;
    uint32_t type = f->flags & kMove ? source.cellType : f->takes();
    if (source.cellType != type || target.cellType != type) return kUnsuited;
    AxisCollapse along;
    if (Code c = CollapseAxis(source, static_cast<uint32_t>(axis), along)) return c;

    bool sideBySide = f->foldRuns && consecutive(along);
    FoldBlocks blocks(target, false, sideBySide);
    WalkScope walks{&target, &source};
    uint32_t m = 0;
    if (Code c = beginFold(target, source, m, blocks.capacity)) return c;
    bool single = MustGoCellByCell(target, source);
    uint32_t size = BlockCellBytes(type);
    const uint32_t* offsets = along.offsets.data();
    uint32_t n = along.n;
    uint8_t* acc = blocks.acc.data();
    return GuardCells([&] {
        for (uint32_t done = 0, k; done < m; done += k) {
            k = single ? 1 : BlockSize(target, m - done, blocks.capacity);
            Run to = NextRun(target, k);
            Run from = NextRun(source, k);
            if (sideBySide) {
                foldSideBySide(*f, source, from, k, n, blocks);
                WriteRun(target, to, acc, nullptr, k);
                continue;
            }
            std::memcpy(acc, ReadRun(source, from, k), size_t(k) * size);
            for (uint32_t i = 1; i < n; ++i) combine(*f, acc, ReadRun(source, from, k, offsets[i]), k, size);
            WriteRun(target, to, acc, nullptr, k);
        }
    });
}

Code RunLComb(Operand& target, Operand& source, int32_t axis, const std::vector<double>& weights,
              const Operator& f) {
    if (source.count == 0) return kRange;
    if (Code c = CheckFoldAxis(source, axis)) return c;
    if (!allDoubles({&target, &source})) return kUnsuited;
    AxisCollapse along;
    if (Code c = CollapseAxis(source, static_cast<uint32_t>(axis), along)) return c;
    if (weights.size() != along.n) return kRange;

    FoldBlocks blocks(target, true);
    WalkScope walks{&target, &source};
    uint32_t m = 0;
    if (Code c = beginFold(target, source, m, blocks.capacity)) return c;
    bool single = MustGoCellByCell(target, source);
    const uint32_t* offsets = along.offsets.data();
    const double* w = weights.data();
    return GuardCells([&] {
        for (uint32_t done = 0, k; done < m; done += k) {
            k = single ? 1 : BlockSize(target, m - done, blocks.capacity);
            Run to = NextRun(target, k);
            Run from = NextRun(source, k);
            foldWeighed(f, blocks, along.n, k, [&](uint8_t* out, uint32_t i) {
                weigh(out, ReadRun(source, from, k, offsets[i]), w[i], k);
            });
            WriteRun(target, to, blocks.acc.data(), nullptr, k);
        }
    });
}

Code RunCorrectWtd(Operand& target, Operand& source, Operand& divisor, Operand& weights,
                   int32_t axis, const Operator& f) {
    if (source.count == 0) return kRange;
    if (Code c = CheckFoldAxis(source, axis)) return c;
    if (Code c = CheckFoldAxis(weights, axis)) return c;
    if (!allDoubles({&target, &source, &divisor, &weights})) return kUnsuited;
    uint32_t d = static_cast<uint32_t>(axis);
    if (IdsAlong(weights, d) < IdsAlong(source, d)) return kUnsuited;
    AxisCollapse alongSource, alongWeights;
    if (Code c = CollapseAxis(source, d, alongSource)) return c;
    if (Code c = CollapseAxis(weights, d, alongWeights)) return c;

    FoldBlocks blocks(target, true);
    WalkScope walks{&target, &source, &weights, &divisor};
    uint32_t m = 0;
    if (Code c = beginFold(target, source, m, blocks.capacity)) return c;
    if (Code c = BeginInStep(weights, m, blocks.capacity)) return c;
    if (Code c = BeginInStep(divisor, m, blocks.capacity)) return c;
    bool single = MustGoCellByCell(target, source) || MustGoCellByCell(target, weights) ||
                  MustGoCellByCell(target, divisor);
    const uint32_t* so = alongSource.offsets.data();
    const uint32_t* wo = alongWeights.offsets.data();
    return GuardCells([&] {
        for (uint32_t done = 0, k; done < m; done += k) {
            k = single ? 1 : BlockSize(target, m - done, blocks.capacity);
            Run to = NextRun(target, k);
            Run from = NextRun(source, k);
            Run weightsFrom = NextRun(weights, k);
            foldWeighed(f, blocks, alongSource.n, k, [&](uint8_t* out, uint32_t i) {
                weigh(out, ReadRun(source, from, k, so[i]), ReadRun(weights, weightsFrom, k, wo[i]), k);
            });
            divideBy(blocks.acc.data(), ReadNext(divisor, k), k);
            WriteRun(target, to, blocks.acc.data(), nullptr, k);
        }
    });
}

}  // namespace zrt
