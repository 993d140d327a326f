// File on Windows: a Win32 file handle with its own current position. Share modes are the
// system's own: CreateFileA refuses a conflicting open with ERROR_SHARING_VIOLATION (32). No
// open shares delete, so deleting or moving a file that someone holds open fails with 32 as
// well.
#include <cstdint>

#include "platform/common/backend.h"
#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform {

using win32::asHandle;
using win32::lastError;

namespace {

DWORD creationOf(Disposition disposition) {
    switch (disposition) {
    case Disposition::CreateNew: return CREATE_NEW;
    case Disposition::CreateAlways: return CREATE_ALWAYS;
    case Disposition::OpenExisting: return OPEN_EXISTING;
    case Disposition::OpenAlways: return OPEN_ALWAYS;
    case Disposition::TruncateExisting: return TRUNCATE_EXISTING;
    }
    return OPEN_EXISTING;
}

OVERLAPPED at(uint64_t offset) {
    OVERLAPPED o{};
    o.Offset = static_cast<DWORD>(offset);
    o.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return o;
}

// A transfer with an offset moves the current position of a synchronous handle, which the
// positioned transfers must leave alone: this puts it back.
class KeepPosition {
public:
    explicit KeepPosition(HANDLE h, bool keep = true) : h_(h) {
        LARGE_INTEGER zero{};
        kept_ = keep && SetFilePointerEx(h, zero, &position_, FILE_CURRENT) != 0;
    }
    ~KeepPosition() {
        if (kept_) SetFilePointerEx(h_, position_, nullptr, FILE_BEGIN);
    }
    KeepPosition(const KeepPosition&) = delete;
    KeepPosition& operator=(const KeepPosition&) = delete;

private:
    HANDLE h_;
    LARGE_INTEGER position_{};
    bool kept_;
};

}  // namespace

namespace win32 {

HANDLE createFile(const std::string& path, uint32_t access, uint32_t share,
                  Disposition disposition, SysError& e) {
    e = kOk;
    if (access > kReadWrite || share > kShareReadWrite) {
        e = kInvalidParameter;
        return INVALID_HANDLE_VALUE;
    }
    // TRUNCATE_EXISTING needs GENERIC_WRITE; not every system checks that for us.
    if (disposition == Disposition::TruncateExisting && !(access & kWrite)) {
        e = kInvalidParameter;
        return INVALID_HANDLE_VALUE;
    }
    if (path.empty()) {
        e = kPathNotFound;
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = CreateFileA(path.c_str(), desiredAccessOf(access), shareModeOf(share), nullptr,
                           creationOf(disposition), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) e = lastError();
    return h;
}

}  // namespace win32

namespace backend {

SysError openFile(const std::string& path, uint32_t access, uint32_t share,
                  Disposition disposition, intptr_t& handle) {
    SysError e = kOk;
    HANDLE h = win32::createFile(path, access, share, disposition, e);
    if (e != kOk) return e;
    handle = win32::asNative(h);
    return kOk;
}

SysError closeFile(intptr_t handle) {
    if (!CloseHandle(asHandle(handle))) return lastError();
    return kOk;
}

SysError readOnce(intptr_t handle, void* buffer, uint32_t count, const uint64_t* offset,
                  uint32_t& moved) {
    DWORD n = 0;
    OVERLAPPED o = offset ? at(*offset) : OVERLAPPED{};
    KeepPosition keep(asHandle(handle), offset != nullptr);
    // A positioned read that starts at or past the end reports the end as an error.
    if (!ReadFile(asHandle(handle), buffer, count, &n, offset ? &o : nullptr) &&
        !(offset && GetLastError() == ERROR_HANDLE_EOF))
        return lastError();
    moved = n;
    return kOk;
}

SysError writeOnce(intptr_t handle, const void* buffer, uint32_t count, const uint64_t* offset,
                   uint32_t& moved) {
    DWORD n = 0;
    OVERLAPPED o = offset ? at(*offset) : OVERLAPPED{};
    KeepPosition keep(asHandle(handle), offset != nullptr);
    if (!WriteFile(asHandle(handle), buffer, count, &n, offset ? &o : nullptr)) return lastError();
    moved = n;
    return kOk;
}

SysError seekFile(intptr_t handle, int64_t offset, Whence whence, uint64_t& to) {
    DWORD how = whence == Whence::Begin     ? FILE_BEGIN
                : whence == Whence::Current ? FILE_CURRENT
                                            : FILE_END;
    LARGE_INTEGER distance, position;
    distance.QuadPart = offset;
    // A position before the start fails with ERROR_NEGATIVE_SEEK (131).
    if (!SetFilePointerEx(asHandle(handle), distance, &position, how)) return lastError();
    to = static_cast<uint64_t>(position.QuadPart);
    return kOk;
}

SysError fileSize(intptr_t handle, uint64_t& size) {
    LARGE_INTEGER n;
    if (!GetFileSizeEx(asHandle(handle), &n)) return lastError();
    size = static_cast<uint64_t>(n.QuadPart);
    return kOk;
}

SysError fileIdentity(intptr_t handle, FileIdentity& out) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(asHandle(handle), &info)) return lastError();
    out = {info.dwVolumeSerialNumber,
           (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
           (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow};
    return kOk;
}

// Refused with 5 for a handle without write access, and with ERROR_USER_MAPPED_FILE (1224)
// while a view of the file exists.
SysError setEndHere(intptr_t handle) {
    if (!SetEndOfFile(asHandle(handle))) {
        // Wine says "invalid parameter" where Windows says "access denied": the handle is the
        // only parameter, and what is wrong with it is its access.
        SysError e = lastError();
        return e == kInvalidParameter ? kAccessDenied : e;
    }
    return kOk;
}

}  // namespace backend

// Share modes are kept by the file system itself, local or on a server.
SysError checkFileLocks(const std::string&) { return kOk; }

}  // namespace platform
