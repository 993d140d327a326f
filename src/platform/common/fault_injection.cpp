// Injected faults: the plan a test armed, and the count of the calls it watches. The library
// runs on one thread; so do the tests that arm faults.
#include "platform/platform.h"

namespace platform {

namespace {

struct State {
    FaultPlan plan;
    bool armed = false;
    uint64_t seen = 0;
    uint64_t injected = 0;
};

State& state() {
    static State s;
    return s;
}

SysError errorFor(FaultOp op, FaultKind kind) {
    if (kind == FaultKind::DiskFull) return kDiskFull;
    return op == kFaultRead || op == kFaultMap ? kReadFault : kWriteFault;
}

}  // namespace

void armFaults(const FaultPlan& plan) {
    state() = State{plan, true, 0, 0};
}

void disarmFaults() { state() = State{}; }

uint64_t faultCallsSeen() { return state().seen; }
uint64_t faultsInjected() { return state().injected; }
bool faultsArmed() { return state().armed; }

SysError injectedFault(FaultOp op, bool* shorten) {
    State& s = state();
    if (shorten) *shorten = false;
    if (!s.armed || !(s.plan.ops & op)) return kOk;
    const uint64_t call = ++s.seen;
    if (s.plan.failAt == 0 || call < s.plan.failAt || call - s.plan.failAt >= s.plan.failures)
        return kOk;
    ++s.injected;
    if (s.plan.kind == FaultKind::Short && shorten) {
        *shorten = true;
        return kOk;
    }
    return errorFor(op, s.plan.kind);
}

}  // namespace platform
