// What every engine driver does around its cell loop: begin each walk and check its step
// count against the target's, and end the walks on every path.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "arrayfile/walk.h"
#include "frame/codes.h"

namespace zrt {

// Begins the operand's walk; its step count must be 1 (one cell offered at every step) or
// the target's n, else 10001.
[[nodiscard]] inline Code BeginInStep(Operand& op, uint32_t n, uint32_t capacity = kStreamCells) {
    uint32_t steps = 0;
    if (Code c = BeginWalk(op, steps, capacity)) return c;
    return steps == 1 || steps == n ? kOk : kRange;
}

// Ends the walks of its operands when the scope ends (the access blocks stay open until the
// operands are disposed of). Declare it after any AxisCollapse, so that the walks end before
// the operands are restored.
class WalkScope {
public:
    WalkScope(std::initializer_list<Operand*> ops) : ops_(ops) {}
    ~WalkScope() {
        for (Operand* op : ops_)
            if (op->walk.walking) EndWalk(*op);
    }
    WalkScope(const WalkScope&) = delete;
    WalkScope& operator=(const WalkScope&) = delete;

private:
    std::vector<Operand*> ops_;
};

// The loop of an element-wise driver: body(to, m) for each block of the target's walk of n
// cells (one cell at a time when single), under the fault guard (GuardCells).
template <class Body>
[[nodiscard]] Code ForEachBlock(Operand& target, uint32_t n, bool single, Body&& body) {
    return GuardCells([&] {
        for (uint32_t done = 0, m; done < n; done += m) {
            m = single ? 1 : BlockSize(target, n - done);
            body(NextRun(target, m), m);
        }
    });
}

// Reads the number in the operand's first cell under the fault guard, without moving its walk
// (a stamp operand: a double constant or double cells).
[[nodiscard]] inline Code ReadFirstNumber(Operand& op, double& out) {
    return GuardCells([&] { out = LoadDouble(ReadRun(op, Run{op.walk.current, 0, nullptr}, 1)); });
}

}  // namespace zrt
