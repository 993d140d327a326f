// The fault guard.
//
// GCC has no __try, so the guard is a vectored exception handler, installed once, that acts
// only for a thread inside runGuarded and only on hardware faults (access violations, in-page
// errors of a mapped file whose bytes are gone, misalignment, integer division by zero,
// illegal instructions, unmasked floating-point exceptions). It does not jump out of the
// exception dispatcher: it lets the faulting thread continue in resumeAfterFault on its own
// stack, below the faulting frame, and that function jumps back into runGuarded with
// __builtin_longjmp, which restores only the registers and unwinds nothing (the same on i686
// and x86-64). The body therefore must not own anything that needs destroying. Guards nest:
// each remembers the one it interrupts, and a fault goes to the innermost. A stack overflow
// is not caught. A vectored handler runs before any frame-based one, so code inside a guard
// must not rely on catching its own faults.

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform {

namespace {

struct Guard {
    void* resume[5];  // the buffer of __builtin_setjmp
    Guard* outer;
};

// The innermost guard of each thread, in a TLS slot of its own: the handler may run on a
// thread that never asked for a guard, where thread_local storage could still need
// allocating.
DWORD guardSlot() {
    static const DWORD slot = TlsAlloc();
    return slot;
}

Guard* innermost() {
    DWORD saved = GetLastError();  // TlsGetValue clears it
    auto* g = static_cast<Guard*>(TlsGetValue(guardSlot()));
    SetLastError(saved);
    return g;
}

void setInnermost(Guard* g) { TlsSetValue(guardSlot(), g); }

bool isFault(DWORD code) {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW: return true;
    default: return false;
    }
}

[[noreturn]] __attribute__((noinline)) void resumeAfterFault() {
    __builtin_longjmp(innermost()->resume, 1);
}

// Makes the thread continue in resumeAfterFault as if it had been called from the faulting
// instruction, on the same stack with room to spare and the alignment of a call.
void redirect(CONTEXT& context) {
    auto target = reinterpret_cast<uintptr_t>(&resumeAfterFault);
#if defined(__x86_64__)
    DWORD64 sp = ((context.Rsp - 256) & ~static_cast<DWORD64>(15)) - 8;
    context.Rsp = sp;
    context.Rip = target;
#else
    DWORD sp = ((context.Esp - 256) & ~static_cast<DWORD>(15)) - 4;
    context.Esp = sp;
    context.Eip = target;
#endif
}

LONG CALLBACK onException(EXCEPTION_POINTERS* info) {
    if (!isFault(info->ExceptionRecord->ExceptionCode) || !innermost())
        return EXCEPTION_CONTINUE_SEARCH;
    redirect(*info->ContextRecord);
    return EXCEPTION_CONTINUE_EXECUTION;
}

void installHandler() {
    static const bool installed = AddVectoredExceptionHandler(1, onException) != nullptr;
    (void)installed;
}

}  // namespace

bool runGuarded(void (*body)(void*), void* context) {
    installHandler();
    Guard g;
    g.outer = innermost();
    volatile bool completed = false;
    if (__builtin_setjmp(g.resume) == 0) {
        setInnermost(&g);
        body(context);
        completed = true;
    }
    setInnermost(g.outer);
    return completed;
}

}  // namespace platform
