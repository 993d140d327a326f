// File: a Win32 file handle with its own current position. Share modes are the system's own:
// CreateFileA refuses a conflicting open with ERROR_SHARING_VIOLATION (32). No open shares
// delete, so deleting or moving a file that someone holds open fails with 32 as well.
#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform {

using win32::asHandle;
using win32::lastError;

namespace {

// One ReadFile or WriteFile moves at most this much.
constexpr uint32_t kChunk = 1u << 30;

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

bool offsetFits(uint64_t offset, uint32_t count) {
    return offset <= static_cast<uint64_t>(INT64_MAX) - count;
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
    explicit KeepPosition(HANDLE h) : h_(h) {
        LARGE_INTEGER zero{};
        kept_ = SetFilePointerEx(h, zero, &position_, FILE_CURRENT) != 0;
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

File::~File() {
    if (handle_ != kNoHandle) CloseHandle(asHandle(handle_));
}

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, kNoHandle)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (handle_ != kNoHandle) CloseHandle(asHandle(handle_));
        handle_ = std::exchange(other.handle_, kNoHandle);
    }
    return *this;
}

SysError File::open(const std::string& path, uint32_t access, uint32_t share,
                    Disposition disposition, File& out) {
    out = File();
    if (disposition != Disposition::OpenExisting)
        if (SysError e = injectedFault(kFaultCreate)) return e;
    SysError e = kOk;
    HANDLE h = win32::createFile(path, access, share, disposition, e);
    if (e != kOk) return e;
    out.handle_ = win32::asNative(h);
    return kOk;
}

SysError File::read(void* buffer, uint32_t count, uint32_t& got) {
    got = 0;
    if (!isOpen()) return kInvalidHandle;
    bool shorten = false;
    if (SysError e = injectedFault(kFaultRead, &shorten)) return e;
    if (shorten) count /= 2;
    auto* p = static_cast<uint8_t*>(buffer);
    while (got < count) {
        DWORD n = 0;
        if (!ReadFile(asHandle(handle_), p + got, std::min(count - got, kChunk), &n, nullptr))
            return lastError();
        if (n == 0) break;
        got += n;
    }
    return kOk;
}

SysError File::write(const void* buffer, uint32_t count, uint32_t& put) {
    put = 0;
    if (!isOpen()) return kInvalidHandle;
    bool shorten = false;
    if (SysError e = injectedFault(kFaultWrite, &shorten)) return e;
    if (shorten) count /= 2;
    auto* p = static_cast<const uint8_t*>(buffer);
    while (put < count) {
        DWORD n = 0;
        if (!WriteFile(asHandle(handle_), p + put, std::min(count - put, kChunk), &n, nullptr))
            return lastError();
        if (n == 0) return kWriteFault;
        put += n;
    }
    return kOk;
}

SysError File::readAt(uint64_t offset, void* buffer, uint32_t count, uint32_t& got) {
    got = 0;
    if (!isOpen()) return kInvalidHandle;
    bool shorten = false;
    if (SysError e = injectedFault(kFaultRead, &shorten)) return e;
    if (shorten) count /= 2;
    if (!offsetFits(offset, count)) return kInvalidParameter;
    KeepPosition keep(asHandle(handle_));
    auto* p = static_cast<uint8_t*>(buffer);
    while (got < count) {
        DWORD n = 0;
        OVERLAPPED o = at(offset + got);
        if (!ReadFile(asHandle(handle_), p + got, std::min(count - got, kChunk), &n, &o)) {
            // A read that starts at or past the end reports the end as an error.
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return lastError();
        }
        if (n == 0) break;
        got += n;
    }
    return kOk;
}

SysError File::writeAt(uint64_t offset, const void* buffer, uint32_t count, uint32_t& put) {
    put = 0;
    if (!isOpen()) return kInvalidHandle;
    bool shorten = false;
    if (SysError e = injectedFault(kFaultWrite, &shorten)) return e;
    if (shorten) count /= 2;
    if (!offsetFits(offset, count)) return kInvalidParameter;
    KeepPosition keep(asHandle(handle_));
    auto* p = static_cast<const uint8_t*>(buffer);
    while (put < count) {
        DWORD n = 0;
        OVERLAPPED o = at(offset + put);
        if (!WriteFile(asHandle(handle_), p + put, std::min(count - put, kChunk), &n, &o))
            return lastError();
        if (n == 0) return kWriteFault;
        put += n;
    }
    return kOk;
}

SysError File::seek(int64_t offset, Whence whence, uint64_t* newPosition) {
    if (!isOpen()) return kInvalidHandle;
    DWORD how = whence == Whence::Begin     ? FILE_BEGIN
                : whence == Whence::Current ? FILE_CURRENT
                                            : FILE_END;
    LARGE_INTEGER distance, at;
    distance.QuadPart = offset;
    // A position before the start fails with ERROR_NEGATIVE_SEEK (131).
    if (!SetFilePointerEx(asHandle(handle_), distance, &at, how)) return lastError();
    if (newPosition) *newPosition = static_cast<uint64_t>(at.QuadPart);
    return kOk;
}

SysError File::size(uint64_t& out) const {
    out = 0;
    if (!isOpen()) return kInvalidHandle;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(asHandle(handle_), &size)) return lastError();
    out = static_cast<uint64_t>(size.QuadPart);
    return kOk;
}

SysError File::identity(FileIdentity& out) const {
    out = {};
    if (!isOpen()) return kInvalidHandle;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(asHandle(handle_), &info)) return lastError();
    out = {info.dwVolumeSerialNumber,
           (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
           (uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow};
    return kOk;
}

// Refused with 5 for a handle without write access, and with ERROR_USER_MAPPED_FILE (1224)
// while a view of the file exists.
SysError File::setEnd() {
    if (!isOpen()) return kInvalidHandle;
    if (SysError e = injectedFault(kFaultWrite)) return e;
    if (!SetEndOfFile(asHandle(handle_))) {
        // Wine says "invalid parameter" where Windows says "access denied": the handle is the
        // only parameter, and what is wrong with it is its access.
        SysError e = lastError();
        return e == kInvalidParameter ? kAccessDenied : e;
    }
    return kOk;
}

SysError File::close() {
    if (!isOpen()) return kInvalidHandle;
    HANDLE h = asHandle(std::exchange(handle_, kNoHandle));
    if (!CloseHandle(h)) return lastError();
    return kOk;
}

// Share modes are kept by the file system itself, local or on a server.
SysError checkFileLocks(const std::string&) { return kOk; }

}  // namespace platform
