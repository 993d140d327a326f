// Classic file handles on POSIX: plain file descriptors.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/common/backend.h"
#include "platform/platform.h"
#include "platform/posix/errors.h"

namespace platform::backend {

namespace {

// EBADF is both "no such descriptor" and "not open for that transfer".
SysError errnoOf(ClassicHandle handle) {
    if (errno != EBADF) return posix::lastSysError();
    return ::fcntl(handle, F_GETFL) >= 0 ? kAccessDenied : kInvalidHandle;
}

}  // namespace

SysError readClassic(ClassicHandle handle, void* buffer, uint32_t count, uint32_t& moved) {
    ssize_t n = posix::retryOnInterrupt([&] { return ::read(handle, buffer, count); });
    if (n < 0) return errnoOf(handle);
    moved = static_cast<uint32_t>(n);
    return kOk;
}

SysError writeClassic(ClassicHandle handle, const void* buffer, uint32_t count, uint32_t& moved) {
    ssize_t n = posix::retryOnInterrupt([&] { return ::write(handle, buffer, count); });
    if (n < 0) return errnoOf(handle);
    moved = static_cast<uint32_t>(n);
    return kOk;
}

SysError seekClassic(ClassicHandle handle, int32_t offset, int origin, int64_t& at) {
    int how = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
    off_t to = ::lseek(handle, offset, how);
    if (to < 0) return errno == EINVAL ? kNegativeSeek : errnoOf(handle);
    at = static_cast<int64_t>(to);
    return kOk;
}

SysError closeClassic(ClassicHandle handle) {
    if (::close(handle) != 0 && errno != EINTR) return errnoOf(handle);
    return kOk;
}

}  // namespace platform::backend
