// The floating-point status: the same C runtime calls on every target, and on x86 the vector
// unit's own flag for a subnormal operand, which the C runtime does not report.
#include <cfenv>
#if defined(__SSE2__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

#include "platform/platform.h"

namespace platform {

namespace {
constexpr unsigned kDenormalFlag = 0x02;  // DE in the vector unit's control and status register
}

uint32_t fpStatus() {
    int raised = std::fetestexcept(FE_ALL_EXCEPT);
    uint32_t status = 0;
    if (raised & FE_INVALID) status |= kFpInvalid;
    if (raised & FE_DIVBYZERO) status |= kFpDivideByZero;
    if (raised & FE_OVERFLOW) status |= kFpOverflow;
    if (raised & FE_UNDERFLOW) status |= kFpUnderflow;
    if (raised & FE_INEXACT) status |= kFpInexact;
    if constexpr (kFpReportsDenormals)
        if (_mm_getcsr() & kDenormalFlag) status |= kFpDenormal;
    return status;
}

void fpClear() {
    std::feclearexcept(FE_ALL_EXCEPT);
    if constexpr (kFpReportsDenormals) _mm_setcsr(_mm_getcsr() & ~kDenormalFlag);
}

}  // namespace platform
