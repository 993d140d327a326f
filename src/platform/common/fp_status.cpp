// The floating-point status: the same C runtime calls on every target.
#include <cfenv>

#include "platform/platform.h"

namespace platform {

uint32_t fpStatus() {
    int raised = std::fetestexcept(FE_ALL_EXCEPT);
    uint32_t status = 0;
    if (raised & FE_INVALID) status |= kFpInvalid;
    if (raised & FE_DIVBYZERO) status |= kFpDivideByZero;
    if (raised & FE_OVERFLOW) status |= kFpOverflow;
    if (raised & FE_UNDERFLOW) status |= kFpUnderflow;
    if (raised & FE_INEXACT) status |= kFpInexact;
    return status;
}

void fpClear() { std::feclearexcept(FE_ALL_EXCEPT); }

}  // namespace platform
