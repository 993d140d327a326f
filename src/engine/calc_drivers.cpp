#include "engine/calc_drivers.h"

#include <cstddef>
#include <cstring>

#include "arrayfile/copy.h"
#include "engine/audit_stamp.h"
#include "engine/walk_scope.h"

namespace zrt {

namespace {

// ---- the fast path: operands whose cells lie in memory as doubles
//
// A whole double item (mapped file data or a memory buffer) or a flat buffer of doubles holds
// cell k at data + 8k; a one-step operand offers the same cell at every step. For such
// operands the loop reads the cells in place instead of calling each operand's routines and
// stepping its walk; the routine and the target's put (the tolerant, audited write of a file
// item) are the same as in the general loop.

struct DirectCells {
    const uint8_t* base = nullptr;
    size_t stride = 0;
    const uint8_t* at(uint32_t k) const { return base + k * stride; }
};

bool isDoubleRun(const Operand& op) {
    return op.kind == kFlatOperand && op.get == GetDoubleCell && op.data;
}

// A source's cells in place, when it has them so (its step count already checked).
bool directSource(const Operand& op, DirectCells& out) {
    if (op.kind == kConstantOperand) {
        out = {op.value, 0};
        return true;
    }
    if (!isDoubleRun(op)) return false;
    out = {op.data, op.count == 1 ? 0u : 8u};
    return true;
}

// The target's cell k into its value field, then f, then the target's put from it.
template <class Compute>
void directLoop(Operand& t, uint32_t n, Compute compute) {
    for (uint32_t k = 0; k < n; ++k) {
        std::memcpy(t.value, t.data + size_t(k) * 8, 8);
        compute(k);
        t.put(t.data, k, t.value, t.access);
    }
}

}  // namespace

Code RunTwoOperand(Operand& target, Operand& source, TwoOperandRoutine f) {
    if (source.count == 0 || (source.kind == kConstantOperand && target.count == 0)) return kOk;
    if (!f) return kUnsuited;
    if (f == Mov) return CopyLoop(target, source);

    WalkScope walks{&target, &source};
    uint32_t n = 0;
    if (Code c = BeginWalk(target, n)) return c;
    if (Code c = BeginInStep(source, n)) return c;
    DirectCells s;
    if (isDoubleRun(target) && directSource(source, s)) {
        return GuardCells([&] { directLoop(target, n, [&](uint32_t k) { f(target.value, s.at(k)); }); });
    }
    return GuardCells([&] {
        for (uint32_t k = 0; k < n; ++k) {
            GetCell(source);
            GetCell(target);
            f(target.value, source.value);
            PutCell(target, target.value);
            StepWalk(target);
            StepWalk(source);
        }
    });
}

Code RunThreeOperand(Operand& target, Operand& a, Operand& b, ThreeOperandRoutine f) {
    if (a.count == 0 || b.count == 0) return kOk;
    if (!f) return kUnsuited;
    AuditStamp stamp;  // declared before the walks: the stamp goes back to 0 after they end
    if (f == MovAud)
        if (Code c = stamp.claim(target)) return c;

    WalkScope walks{&target, &a, &b};
    uint32_t k = 0, n = 0;
    if (Code c = BeginWalk(b, k)) return c;
    if (f == MovAud) {
        // Set before the target's walk begins, so that its access block takes the stamp.
        if (Code c = ReadFirstCell(b)) return c;
        stamp.set(ValueNumber(b.value));
    }
    if (Code c = BeginWalk(target, n)) return c;
    if (k != 1 && k != n) return kRange;
    if (Code c = BeginInStep(a, n)) return c;

    if (f == MovIf) {
        return GuardCells([&] {
            for (uint32_t j = 0; j < n; ++j) {
                GetCell(a);
                GetCell(b);
                if (IsTrue(b.value)) PutCell(target, a.value);
                StepWalk(target);
                StepWalk(a);
                StepWalk(b);
            }
        });
    }
    if (f == MovAud) {
        return GuardCells([&] {
            for (uint32_t j = 0; j < n; ++j) {
                GetCell(a);
                PutCell(target, a.value);
                StepWalk(target);
                StepWalk(a);
            }
        });
    }
    DirectCells x, y;
    if (isDoubleRun(target) && directSource(a, x) && directSource(b, y)) {
        return GuardCells(
            [&] { directLoop(target, n, [&](uint32_t j) { f(target.value, x.at(j), y.at(j)); }); });
    }
    return GuardCells([&] {
        for (uint32_t j = 0; j < n; ++j) {
            GetCell(a);
            GetCell(b);
            GetCell(target);
            f(target.value, a.value, b.value);
            PutCell(target, target.value);
            StepWalk(target);
            StepWalk(a);
            StepWalk(b);
        }
    });
}

Code RunConditionalAudited(Operand& target, Operand& a, Operand& condition, Operand& stamp,
                           ThreeOperandRoutine f) {
    if (a.count == 0 || condition.count == 0 || stamp.count == 0) return kOk;
    if (f != MovIf) return kUnsuited;
    AuditStamp audit;
    if (Code c = audit.claim(target)) return c;

    WalkScope walks{&target, &a, &condition, &stamp};
    uint32_t k = 0, n = 0;
    if (Code c = BeginWalk(stamp, k)) return c;
    if (Code c = ReadFirstCell(stamp)) return c;
    audit.set(ValueNumber(stamp.value));
    if (Code c = BeginWalk(target, n)) return c;
    if (k != 1 && k != n) return kRange;
    if (Code c = BeginInStep(a, n)) return c;
    if (Code c = BeginInStep(condition, n)) return c;
    return GuardCells([&] {
        for (uint32_t j = 0; j < n; ++j) {
            GetCell(a);
            GetCell(condition);
            if (IsTrue(condition.value)) PutCell(target, a.value);
            StepWalk(target);
            StepWalk(a);
            StepWalk(condition);
        }
    });
}

}  // namespace zrt
