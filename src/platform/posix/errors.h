// errno to Windows system error numbers: the one mapping of the POSIX platform layer.
#pragma once

#include <cerrno>
#include <string>

#include "platform/platform.h"

namespace platform::posix {

// The Windows error number for an errno value.
[[nodiscard]] SysError sysErrorOf(int error);

// The same for a failure that concerns path: a missing name is "file not found" (2) when its
// directory exists and "path not found" (3) when a directory on the way is missing.
[[nodiscard]] SysError pathErrorOf(int error, const std::string& path);

// errno as it stands now.
[[nodiscard]] SysError lastSysError();

// Calls a system call again while a signal interrupts it (-1 with EINTR); its result.
template <class Call>
auto retryOnInterrupt(Call call) {
    for (;;) {
        auto result = call();
        if (result >= 0 || errno != EINTR) return result;
    }
}

}  // namespace platform::posix
