// The fault guard.
//
// runGuarded installs handlers for SIGSEGV and SIGBUS (an access violation, and a mapped file
// read past its shrunken end) for the length of the body and puts the previous handlers back
// afterwards. A fault inside the body jumps back to the guard with siglongjmp, which also
// restores the signal mask, so the body ends at once without unwinding. Guards nest: each
// remembers the one it interrupts, and a fault goes to the innermost. A fault on a thread
// without a guard goes to the handler that was there before (the library runs on one thread).
// A stack overflow is not caught: there is no alternate signal stack.
#include <csetjmp>
#include <csignal>

#include "platform/platform.h"

namespace platform {

namespace {

struct Guard {
    sigjmp_buf resume;
    Guard* outer;
    struct sigaction previousSegv, previousBus;
};

thread_local Guard* innermost = nullptr;
// The handlers that the outermost guard replaced.
struct sigaction unguardedSegv, unguardedBus;

void onFault(int signal, siginfo_t*, void*) {
    if (Guard* g = innermost) siglongjmp(g->resume, 1);
    // Not ours: hand the signal back to the handler we replaced and let the instruction fault
    // again. (Reached only from a thread without a guard while another runs guarded.)
    sigaction(signal, signal == SIGBUS ? &unguardedBus : &unguardedSegv, nullptr);
}

void installHandlers(Guard& g) {
    struct sigaction action {};
    action.sa_sigaction = onFault;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGSEGV, &action, &g.previousSegv);
    sigaction(SIGBUS, &action, &g.previousBus);
    if (!g.outer) {
        unguardedSegv = g.previousSegv;
        unguardedBus = g.previousBus;
    }
}

void restoreHandlers(const Guard& g) {
    sigaction(SIGSEGV, &g.previousSegv, nullptr);
    sigaction(SIGBUS, &g.previousBus, nullptr);
}

}  // namespace

bool runGuarded(void (*body)(void*), void* context) {
    Guard g;
    g.outer = innermost;
    installHandlers(g);
    volatile bool completed = false;
    if (sigsetjmp(g.resume, 1) == 0) {
        innermost = &g;
        body(context);
        completed = true;
    }
    innermost = g.outer;
    restoreHandlers(g);
    return completed;
}

}  // namespace platform
