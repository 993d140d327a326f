// What the Win32 platform layer shares: the system headers, the last error as a SysError, and
// a kernel handle that closes itself.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <utility>

#include "platform/platform.h"

namespace platform::win32 {

// GetLastError is already a Windows system error number: no mapping is needed.
[[nodiscard]] inline SysError lastError() { return static_cast<SysError>(GetLastError()); }

inline HANDLE asHandle(intptr_t native) { return reinterpret_cast<HANDLE>(native); }
inline intptr_t asNative(HANDLE handle) { return reinterpret_cast<intptr_t>(handle); }

// A handle that CloseHandle releases; null and INVALID_HANDLE_VALUE both mean none.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            h_ = std::exchange(other.h_, nullptr);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return h_; }
    bool valid() const { return h_ != nullptr && h_ != INVALID_HANDLE_VALUE; }
    HANDLE release() { return std::exchange(h_, nullptr); }
    void reset(HANDLE h = nullptr) {
        if (valid()) CloseHandle(h_);
        h_ = h;
    }

private:
    HANDLE h_ = nullptr;
};

// The CreateFileA arguments for an access and a share mode of platform.h.
inline DWORD desiredAccessOf(uint32_t access) {
    return ((access & kRead) ? GENERIC_READ : 0u) | ((access & kWrite) ? GENERIC_WRITE : 0u);
}
inline DWORD shareModeOf(uint32_t share) {
    return ((share & kShareRead) ? FILE_SHARE_READ : 0u) |
           ((share & kShareWrite) ? FILE_SHARE_WRITE : 0u);
}

// Opens path with CreateFileA; the handle, or INVALID_HANDLE_VALUE with the error in e.
HANDLE createFile(const std::string& path, uint32_t access, uint32_t share,
                  Disposition disposition, SysError& e);

}  // namespace platform::win32
