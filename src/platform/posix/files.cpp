// File on POSIX: an open file descriptor with a current position.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/common/backend.h"
#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "platform/posix/share_modes.h"

namespace platform::backend {

using posix::lastSysError;
using posix::retryOnInterrupt;

namespace {

int fdOf(intptr_t handle) { return static_cast<int>(handle); }

// A descriptor that is open but refuses the transfer was opened without that access.
SysError transferError() { return errno == EBADF ? kAccessDenied : lastSysError(); }

}  // namespace

SysError openFile(const std::string& path, uint32_t access, uint32_t share,
                  Disposition disposition, intptr_t& handle) {
    int fd = -1;
    if (SysError e = posix::openShared(path, access, share, disposition, fd)) return e;
    handle = fd;
    return kOk;
}

// On Linux the descriptor is gone even when close reports EINTR.
SysError closeFile(intptr_t handle) {
    if (::close(fdOf(handle)) != 0 && errno != EINTR) return lastSysError();
    return kOk;
}

SysError readOnce(intptr_t handle, void* buffer, uint32_t count, const uint64_t* offset,
                  uint32_t& moved) {
    ssize_t n = retryOnInterrupt([&] {
        return offset ? ::pread(fdOf(handle), buffer, count, static_cast<off_t>(*offset))
                      : ::read(fdOf(handle), buffer, count);
    });
    if (n < 0) return transferError();
    moved = static_cast<uint32_t>(n);
    return kOk;
}

SysError writeOnce(intptr_t handle, const void* buffer, uint32_t count, const uint64_t* offset,
                   uint32_t& moved) {
    ssize_t n = retryOnInterrupt([&] {
        return offset ? ::pwrite(fdOf(handle), buffer, count, static_cast<off_t>(*offset))
                      : ::write(fdOf(handle), buffer, count);
    });
    if (n < 0) return transferError();
    moved = static_cast<uint32_t>(n);
    return kOk;
}

SysError seekFile(intptr_t handle, int64_t offset, Whence whence, uint64_t& at) {
    int how = whence == Whence::Begin ? SEEK_SET : whence == Whence::Current ? SEEK_CUR : SEEK_END;
    off_t to = ::lseek(fdOf(handle), static_cast<off_t>(offset), how);
    // With a valid whence, lseek refuses only a position before the start (or past the
    // largest offset, which a negative offset cannot reach).
    if (to < 0) return errno == EINVAL && offset < 0 ? kNegativeSeek : lastSysError();
    at = static_cast<uint64_t>(to);
    return kOk;
}

SysError fileSize(intptr_t handle, uint64_t& size) {
    struct stat st;
    if (fstat(fdOf(handle), &st) != 0) return lastSysError();
    size = static_cast<uint64_t>(st.st_size);
    return kOk;
}

SysError fileIdentity(intptr_t handle, FileIdentity& out) {
    struct stat st;
    if (fstat(fdOf(handle), &st) != 0) return lastSysError();
    out = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
           static_cast<uint64_t>(st.st_size)};
    return kOk;
}

SysError setEndHere(intptr_t handle) {
    off_t at = ::lseek(fdOf(handle), 0, SEEK_CUR);
    if (at < 0) return lastSysError();
    if (retryOnInterrupt([&] { return ::ftruncate(fdOf(handle), at); }) != 0)
        // A descriptor open for reading only cannot be cut (EBADF or EINVAL).
        return errno == EBADF || errno == EINVAL ? kAccessDenied : lastSysError();
    return kOk;
}

}  // namespace platform::backend
