// The floating-point status: the same C runtime calls on every target, and on x86 the vector
// unit's own flag for a subnormal operand, which the C runtime does not report.
#include <cfenv>

#include "platform/platform.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <xmmintrin.h>
#define ZRT_SSE_STATUS 1
#endif

namespace platform {

#ifdef ZRT_SSE_STATUS
namespace {
constexpr unsigned kDenormalFlag = 0x02;  // DE in the vector unit's control and status register
}
#endif

uint32_t fpStatus() {
    int raised = std::fetestexcept(FE_ALL_EXCEPT);
    uint32_t status = 0;
    if (raised & FE_INVALID) status |= kFpInvalid;
    if (raised & FE_DIVBYZERO) status |= kFpDivideByZero;
    if (raised & FE_OVERFLOW) status |= kFpOverflow;
    if (raised & FE_UNDERFLOW) status |= kFpUnderflow;
    if (raised & FE_INEXACT) status |= kFpInexact;
#ifdef ZRT_SSE_STATUS
    if (_mm_getcsr() & kDenormalFlag) status |= kFpDenormal;
#endif
    return status;
}

void fpClear() {
    std::feclearexcept(FE_ALL_EXCEPT);
#ifdef ZRT_SSE_STATUS
    _mm_setcsr(_mm_getcsr() & ~kDenormalFlag);
#endif
}

}  // namespace platform
