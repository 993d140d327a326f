// A failing disk walked over every call an export makes: the n-th read, write, map, create,
// rename or delete fails, for each n in turn.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/platform.h"

namespace zrt::test {

// prepare() sets up the starting state (no fault armed); attempt() makes the call under test
// and returns its code. A first round counts the calls of plan.ops that a clean attempt makes
// (it must succeed); then round n makes the n-th of them fail (and the plan.failures - 1 after
// it), and check(n, code) looks at what the failed attempt left. Returns the calls counted.
uint64_t walkFaults(platform::FaultPlan plan, const std::function<void()>& prepare,
                    const std::function<uint32_t()>& attempt,
                    const std::function<void(uint64_t n, uint32_t code)>& check);

// The three kinds of failure, each as a disk that stays broken from the failing call on for
// everything but deletes, which a full disk still does: an export may clear up what it began.
constexpr uint32_t kBrokenOps = platform::kFaultAnyOp & ~platform::kFaultDelete;
inline const platform::FaultPlan kBrokenDisks[] = {
    {kBrokenOps, 0, UINT64_MAX, platform::FaultKind::DiskFull},
    {kBrokenOps, 0, UINT64_MAX, platform::FaultKind::IoError},
    {kBrokenOps, 0, UINT64_MAX, platform::FaultKind::Short},
};

}  // namespace zrt::test
