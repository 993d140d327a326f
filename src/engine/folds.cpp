#include "engine/folds.h"

#include <cstring>

#include "arrayfile/walk.h"
#include "engine/walk_scope.h"

namespace zrt {

namespace {

double number(const uint8_t* v) { return ValueNumber(v); }

// The cells along the axis are read at every step, so a source of double cells (a memory
// buffer or mapped file data) is read in place rather than through its routine: the fast path
// of the folds. The cell number wraps at 2^32 as the offsets do.
struct AlongAxis {
    explicit AlongAxis(Operand& op) : op(op), direct(op.get == GetDoubleCell ? op.data : nullptr) {}
    void read(uint32_t i, const uint32_t* offsets) {
        uint32_t cell = op.current + offsets[i];
        if (direct) std::memcpy(op.value, direct + size_t(cell) * 8, 8);
        else GetCellAt(op, cell, op.value);
    }
    Operand& op;
    const uint8_t* direct;
};

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

Code RunReduce(Operand& target, Operand& source, int32_t axis, TwoOperandRoutine f) {
    if (!f) return kUnsuited;
    if (source.count == 0) return kRange;
    if (Code c = CheckFoldAxis(source, axis)) return c;
    AxisCollapse along;
    if (Code c = CollapseAxis(source, static_cast<uint32_t>(axis), along)) return c;

    WalkScope walks{&target, &source};
    uint32_t m = 0;
    if (Code c = BeginWalk(target, m)) return c;
    if (Code c = BeginInStep(source, m)) return c;
    const uint32_t* offsets = along.offsets.data();
    uint32_t n = along.n;
    AlongAxis s(source);
    return GuardCells([&] {
        for (uint32_t j = 0; j < m; ++j) {
            GetCell(source);
            std::memcpy(target.value, source.value, 8);
            for (uint32_t i = 1; i < n; ++i) {
                s.read(i, offsets);
                f(target.value, source.value);
            }
            PutCell(target, target.value);
            StepWalk(target);
            StepWalk(source);
        }
    });
}

Code RunLComb(Operand& target, Operand& source, int32_t axis, const std::vector<double>& weights,
              TwoOperandRoutine f) {
    if (source.count == 0) return kRange;
    if (Code c = CheckFoldAxis(source, axis)) return c;
    AxisCollapse along;
    if (Code c = CollapseAxis(source, static_cast<uint32_t>(axis), along)) return c;
    if (weights.size() != along.n) return kRange;

    WalkScope walks{&target, &source};
    uint32_t m = 0;
    if (Code c = BeginWalk(target, m)) return c;
    if (Code c = BeginInStep(source, m)) return c;
    const uint32_t* offsets = along.offsets.data();
    const double* w = weights.data();
    uint32_t n = along.n;
    AlongAxis s(source);
    return GuardCells([&] {
        for (uint32_t j = 0; j < m; ++j) {
            GetCell(source);
            SetValueNumber(target.value, number(source.value) * w[0]);
            for (uint32_t i = 1; i < n; ++i) {
                s.read(i, offsets);
                SetValueNumber(source.value, w[i] * number(source.value));
                f(target.value, source.value);
            }
            PutCell(target, target.value);
            StepWalk(target);
            StepWalk(source);
        }
    });
}

Code RunCorrectWtd(Operand& target, Operand& source, Operand& divisor, Operand& weights,
                   int32_t axis, TwoOperandRoutine f) {
    if (source.count == 0) return kRange;
    if (Code c = CheckFoldAxis(source, axis)) return c;
    if (Code c = CheckFoldAxis(weights, axis)) return c;
    uint32_t d = static_cast<uint32_t>(axis);
    if (IdsAlong(weights, d) < IdsAlong(source, d)) return kUnsuited;
    AxisCollapse alongSource, alongWeights;
    if (Code c = CollapseAxis(source, d, alongSource)) return c;
    if (Code c = CollapseAxis(weights, d, alongWeights)) return c;

    WalkScope walks{&target, &source, &weights, &divisor};
    uint32_t m = 0;
    if (Code c = BeginWalk(target, m)) return c;
    if (Code c = BeginInStep(source, m)) return c;
    if (Code c = BeginInStep(weights, m)) return c;
    if (Code c = BeginInStep(divisor, m)) return c;
    const uint32_t* so = alongSource.offsets.data();
    const uint32_t* wo = alongWeights.offsets.data();
    uint32_t n = alongSource.n;
    AlongAxis s(source), w(weights);
    return GuardCells([&] {
        for (uint32_t j = 0; j < m; ++j) {
            GetCell(source);
            GetCell(divisor);
            GetCell(weights);
            SetValueNumber(target.value, number(source.value) * number(weights.value));
            for (uint32_t i = 1; i < n; ++i) {
                s.read(i, so);
                w.read(i, wo);
                SetValueNumber(source.value, number(source.value) * number(weights.value));
                f(target.value, source.value);
            }
            double q = number(divisor.value);
            bool zero = !(q < 0 || q > 0);  // 0, or a NaN
            SetValueNumber(target.value, zero ? 0.0 : number(target.value) / q);
            PutCell(target, target.value);
            StepWalk(target);
            StepWalk(divisor);
            StepWalk(source);
            StepWalk(weights);
        }
    });
}

}  // namespace zrt
