// Host forms of legacy locking. Each prints the code, then the outputs the export wrote: LogIn
// always writes the user number; LockNLD writes its two outputs on success (the lock handle and
// the caller's name) and on 10111 (the holder's user key and name), and nothing otherwise.
#include <string>

#include "adapters.h"

namespace zrt::host {

namespace {

constexpr uint32_t kConflict = 10111;

// LogIn name (the export's first argument is not used; zrt passes 0).
void logIn(AdapterCall& call) {
    call.expectCount(1);
    std::optional<std::string> name = call.optionalText(0);
    int32_t userNo = -1;
    call.code(LogIn(0, &userNo, name ? name->c_str() : nullptr));
    call.output("userNo", userNo);
}

// LogOut slot
void logOut(AdapterCall& call) {
    call.expectCount(1);
    call.code(LogOut(call.int32(0)));
}

// LockNLD name library dt mode
void lockNLD(AdapterCall& call) {
    call.expectCount(4);
    std::optional<std::string> name = call.optionalText(0);
    int32_t library = call.int32(1), dt = call.int32(2);
    uint32_t mode = call.uint32(3);
    int32_t lock = 0;
    char userName[1028] = {};
    uint32_t code = LockNLD(name ? name->c_str() : nullptr, library, dt, mode, &lock, userName);
    call.code(code);
    if (code == 0) {
        call.output("lock", lock);
    } else if (code == kConflict) {
        call.output("userKey", lock);
    } else {
        return;
    }
    call.outputText("userName", userName);
}

// ReleaseNLD lock
void releaseNLD(AdapterCall& call) {
    call.expectCount(1);
    call.code(ReleaseNLD(call.int32(0)));
}

const AdapterRegistrar logInAdapter("LogIn", "1 argument: the user name", &logIn);
const AdapterRegistrar logOutAdapter("LogOut", "1 argument: the user slot", &logOut);
const AdapterRegistrar lockNLDAdapter("LockNLD", "4 arguments: NLD name, library, dt, mode",
                                      &lockNLD);
const AdapterRegistrar releaseNLDAdapter("ReleaseNLD", "1 argument: the lock handle",
                                         &releaseNLD);

}  // namespace

}  // namespace zrt::host
