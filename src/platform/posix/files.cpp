// File: an open file descriptor with a current position.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <utility>

#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "platform/posix/share_modes.h"

namespace platform {

using posix::lastSysError;

namespace {

// A single call moves at most this much, so that the count fits ssize_t on every width.
constexpr uint32_t kChunk = 1u << 30;

// A descriptor that is open but refuses the transfer was opened without that access.
SysError transferError() { return errno == EBADF ? kAccessDenied : lastSysError(); }

bool offsetFits(uint64_t offset, uint32_t count) {
    return offset <= static_cast<uint64_t>(INT64_MAX) - count;
}

}  // namespace

File::~File() {
    if (handle_ != kNoHandle) ::close(static_cast<int>(handle_));
}

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, kNoHandle)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (handle_ != kNoHandle) ::close(static_cast<int>(handle_));
        handle_ = std::exchange(other.handle_, kNoHandle);
    }
    return *this;
}

SysError File::open(const std::string& path, uint32_t access, uint32_t share,
                    Disposition disposition, File& out) {
    out = File();
    if (disposition != Disposition::OpenExisting)
        if (SysError e = injectedFault(kFaultCreate)) return e;
    int fd = -1;
    if (SysError e = posix::openShared(path, access, share, disposition, fd)) return e;
    out.handle_ = fd;
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
        ssize_t n = ::read(static_cast<int>(handle_), p + got, std::min(count - got, kChunk));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return transferError();
        if (n == 0) break;
        got += static_cast<uint32_t>(n);
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
        ssize_t n = ::write(static_cast<int>(handle_), p + put, std::min(count - put, kChunk));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return transferError();
        put += static_cast<uint32_t>(n);
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
    auto* p = static_cast<uint8_t*>(buffer);
    while (got < count) {
        ssize_t n = ::pread(static_cast<int>(handle_), p + got, std::min(count - got, kChunk),
                            static_cast<off_t>(offset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return transferError();
        if (n == 0) break;
        got += static_cast<uint32_t>(n);
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
    auto* p = static_cast<const uint8_t*>(buffer);
    while (put < count) {
        ssize_t n = ::pwrite(static_cast<int>(handle_), p + put, std::min(count - put, kChunk),
                             static_cast<off_t>(offset + put));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return transferError();
        put += static_cast<uint32_t>(n);
    }
    return kOk;
}

SysError File::seek(int64_t offset, Whence whence, uint64_t* newPosition) {
    if (!isOpen()) return kInvalidHandle;
    int how = whence == Whence::Begin ? SEEK_SET : whence == Whence::Current ? SEEK_CUR : SEEK_END;
    off_t at = ::lseek(static_cast<int>(handle_), static_cast<off_t>(offset), how);
    // With a valid whence, lseek refuses only a position before the start (or past the
    // largest offset, which a negative offset cannot reach).
    if (at < 0) return errno == EINVAL && offset < 0 ? kNegativeSeek : lastSysError();
    if (newPosition) *newPosition = static_cast<uint64_t>(at);
    return kOk;
}

SysError File::size(uint64_t& out) const {
    out = 0;
    if (!isOpen()) return kInvalidHandle;
    struct stat st;
    if (fstat(static_cast<int>(handle_), &st) != 0) return lastSysError();
    out = static_cast<uint64_t>(st.st_size);
    return kOk;
}

SysError File::identity(FileIdentity& out) const {
    out = {};
    if (!isOpen()) return kInvalidHandle;
    struct stat st;
    if (fstat(static_cast<int>(handle_), &st) != 0) return lastSysError();
    out = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
           static_cast<uint64_t>(st.st_size)};
    return kOk;
}

SysError File::setEnd() {
    if (!isOpen()) return kInvalidHandle;
    if (SysError e = injectedFault(kFaultWrite)) return e;
    int fd = static_cast<int>(handle_);
    off_t at = ::lseek(fd, 0, SEEK_CUR);
    if (at < 0) return lastSysError();
    while (::ftruncate(fd, at) != 0) {
        if (errno == EINTR) continue;
        // A descriptor open for reading only cannot be cut (EBADF or EINVAL).
        return errno == EBADF || errno == EINVAL ? kAccessDenied : lastSysError();
    }
    return kOk;
}

SysError File::close() {
    if (!isOpen()) return kInvalidHandle;
    int fd = static_cast<int>(std::exchange(handle_, kNoHandle));
    // On Linux the descriptor is gone even when close reports EINTR.
    if (::close(fd) != 0 && errno != EINTR) return lastSysError();
    return kOk;
}

}  // namespace platform
