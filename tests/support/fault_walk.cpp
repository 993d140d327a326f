#include "support/fault_walk.h"

#include <gtest/gtest.h>

namespace zrt::test {

uint64_t walkFaults(platform::FaultPlan plan, const std::function<void()>& prepare,
                    const std::function<uint32_t()>& attempt,
                    const std::function<void(uint64_t n, uint32_t code)>& check) {
    prepare();
    platform::armFaults({plan.ops, 0, 0, plan.kind});
    uint32_t clean = attempt();
    const uint64_t calls = platform::faultCallsSeen();
    platform::disarmFaults();
    EXPECT_EQ(clean, 0u) << "the attempt fails without a fault";
    for (uint64_t n = 1; n <= calls; ++n) {
        SCOPED_TRACE("call " + std::to_string(n) + " of " + std::to_string(calls) + " fails, kind " +
                     std::to_string(static_cast<int>(plan.kind)));
        prepare();
        plan.failAt = n;
        platform::armFaults(plan);
        uint32_t code = attempt();
        platform::disarmFaults();
        check(n, code);
    }
    return calls;
}

}  // namespace zrt::test
