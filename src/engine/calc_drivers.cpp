#include "engine/calc_drivers.h"

#include "arrayfile/copy.h"
#include "arrayfile/walk.h"
#include "engine/audit_stamp.h"
#include "engine/walk_scope.h"

namespace zrt {

namespace {

// The moves of "movif" and "movaud": a source of the target's type, a condition of bits and a
// stamp of doubles.
bool movable(const Operand& target, const Operand& a, const Operand* condition,
             const Operand* stamp) {
    return a.cellType == target.cellType && (!condition || condition->cellType == kBitCellType) &&
           (!stamp || stamp->cellType == kDoubleCellType);
}

bool suits(const Operator& op, const Operand& target, const Operand& a, const Operand& b) {
    if (op.flags & kMoveIf) return movable(target, a, &b, nullptr);
    if (op.flags & kMoveAudited) return movable(target, a, nullptr, &b);
    return a.cellType == op.takes() && b.cellType == op.takes() && target.cellType == op.gives();
}

// The stamp of an audited move, set before the target's walk begins so that its access block
// takes it.
Code setStamp(Operand& stampOperand, AuditStamp& stamp) {
    double value = 0;
    if (Code c = ReadFirstNumber(stampOperand, value)) return c;
    stamp.set(value);
    return kOk;
}

// The kernel's results for a block of the target, stored: counted against the stored cells
// in the kernel's own pass where the target allows.
void computeInto(Operand& target, const Run& to, const Operator& op, const uint8_t* a, const uint8_t* b,
                 uint32_t m, uint8_t* results) {
    const uint8_t* stored = StoredRun(target, to);
    int64_t same = op.kernel(results, a, b, m, stored);
    if (stored) WriteCountedRun(target, to, results, m, same);
    else WriteRun(target, to, results, nullptr, m);
}

}  // namespace

Code RunTwoOperand(Operand& target, Operand& source, const Operator* op) {
    if (source.count == 0 || (source.kind == kConstantOperand && target.count == 0)) return kOk;
    if (!op) return kUnsuited;
    if (op->flags & kMove) return CopyLoop(target, source);
    if (source.cellType != op->takes() || target.cellType != op->gives()) return kUnsuited;

    WalkScope walks{&target, &source};
    uint32_t n = 0;
    if (Code c = BeginWalk(target, n)) return c;
    if (Code c = BeginInStep(source, n)) return c;
    // The target is read: a cell that comes twice must see what its first visit wrote.
    bool single = target.walk.repeats || MustGoCellByCell(target, source);
    alignas(kBlockAlign) uint8_t results[kStreamCells * 8];
    return ForEachBlock(target, n, single, [&](const Run& to, uint32_t m) {
        computeInto(target, to, *op, ReadRun(target, to, m), ReadNext(source, m), m, results);
    });
}

Code RunThreeOperand(Operand& target, Operand& a, Operand& b, const Operator* op) {
    if (a.count == 0 || b.count == 0) return kOk;
    if (!op) return kUnsuited;
    if (!suits(*op, target, a, b)) return kUnsuited;
    bool audited = op->flags & kMoveAudited;
    AuditStamp stamp;  // declared before the walks: the stamp goes back to 0 after they end
    if (audited)
        if (Code c = stamp.claim(target)) return c;

    WalkScope walks{&target, &a, &b};
    uint32_t k = 0, n = 0;
    if (Code c = BeginWalk(b, k)) return c;
    if (audited)
        if (Code c = setStamp(b, stamp)) return c;
    if (Code c = BeginWalk(target, n)) return c;
    if (k != 1 && k != n) return kRange;
    if (Code c = BeginInStep(a, n)) return c;
    bool single = MustGoCellByCell(target, a) || MustGoCellByCell(target, b);
    bool masked = op->flags & kMoveIf;
    alignas(kBlockAlign) uint8_t results[kStreamCells * 8];
    return ForEachBlock(target, n, single, [&](const Run& to, uint32_t m) {
        const uint8_t* x = ReadNext(a, m);
        if (audited) WriteRun(target, to, x, nullptr, m);
        else if (masked) WriteRun(target, to, x, ReadNext(b, m), m);
        else computeInto(target, to, *op, x, ReadNext(b, m), m, results);
    });
}

Code RunConditionalAudited(Operand& target, Operand& a, Operand& condition, Operand& stamp,
                           const Operator* op) {
    if (a.count == 0 || condition.count == 0 || stamp.count == 0) return kOk;
    if (!op || !(op->flags & kMoveIf)) return kUnsuited;
    if (!movable(target, a, &condition, &stamp)) return kUnsuited;
    AuditStamp audit;
    if (Code c = audit.claim(target)) return c;

    WalkScope walks{&target, &a, &condition, &stamp};
    uint32_t k = 0, n = 0;
    if (Code c = BeginWalk(stamp, k)) return c;
    if (Code c = setStamp(stamp, audit)) return c;
    if (Code c = BeginWalk(target, n)) return c;
    if (k != 1 && k != n) return kRange;
    if (Code c = BeginInStep(a, n)) return c;
    if (Code c = BeginInStep(condition, n)) return c;
    bool single = MustGoCellByCell(target, a) || MustGoCellByCell(target, condition);
    return ForEachBlock(target, n, single, [&](const Run& to, uint32_t m) {
        const uint8_t* x = ReadNext(a, m);
        WriteRun(target, to, x, ReadNext(condition, m), m);
    });
}

}  // namespace zrt
