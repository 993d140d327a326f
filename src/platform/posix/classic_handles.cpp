// Classic file handles: plain file descriptors, with the share modes of the OF_ flags.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "platform/posix/share_modes.h"

namespace platform {

namespace {

thread_local SysError lastClassicError = kOk;

int32_t fail(SysError e) {
    lastClassicError = e;
    return kClassicError;
}

// EBADF is both "no such descriptor" and "not open for that transfer".
int32_t failWithErrno(ClassicHandle handle) {
    if (errno != EBADF) return fail(posix::lastSysError());
    return fail(::fcntl(handle, F_GETFL) >= 0 ? kAccessDenied : kInvalidHandle);
}

// The share mode of an OF_SHARE_ value. Compatibility mode (0) lets anyone open the file.
bool shareOf(uint32_t mode, uint32_t& share) {
    switch (mode & 0x70) {
    case 0x00: share = kShareReadWrite; return true;
    case kOfShareExclusive: share = kShareNone; return true;
    case kOfShareDenyWrite: share = kShareRead; return true;
    case kOfShareDenyRead: share = kShareWrite; return true;
    case kOfShareDenyNone: share = kShareReadWrite; return true;
    default: return false;
    }
}

bool accessOf(uint32_t mode, uint32_t& access) {
    switch (mode & 0x03) {
    case kOfRead: access = kRead; return true;
    case kOfWrite: access = kWrite; return true;
    case kOfReadWrite: access = kReadWrite; return true;
    default: return false;
    }
}

ClassicHandle openClassic(const std::string& path, uint32_t access, uint32_t share,
                          Disposition disposition) {
    int fd = -1;
    if (SysError e = posix::openShared(path, access, share, disposition, fd)) return fail(e);
    return fd;
}

}  // namespace

ClassicHandle classicOpen(const std::string& path, uint32_t mode) {
    uint32_t access = 0, share = 0;
    if (!accessOf(mode, access) || !shareOf(mode, share)) return fail(kInvalidParameter);
    return openClassic(path, access, share, Disposition::OpenExisting);
}

ClassicHandle classicCreate(const std::string& path) {
    if (SysError e = injectedFault(kFaultCreate)) return fail(e);
    return openClassic(path, kReadWrite, kShareReadWrite, Disposition::CreateAlways);
}

int32_t classicRead(ClassicHandle handle, void* buffer, uint32_t count) {
    if (count > INT32_MAX) return fail(kInvalidParameter);
    bool shorten = false;
    if (SysError e = injectedFault(kFaultRead, &shorten)) return fail(e);
    if (shorten) count /= 2;
    for (;;) {
        ssize_t n = ::read(handle, buffer, count);
        if (n >= 0) return static_cast<int32_t>(n);
        if (errno != EINTR) return failWithErrno(handle);
    }
}

int32_t classicWrite(ClassicHandle handle, const void* buffer, uint32_t count) {
    if (count > INT32_MAX) return fail(kInvalidParameter);
    bool shorten = false;
    if (SysError e = injectedFault(kFaultWrite, &shorten)) return fail(e);
    if (shorten) count /= 2;
    for (;;) {
        ssize_t n = ::write(handle, buffer, count);
        if (n >= 0) return static_cast<int32_t>(n);
        if (errno != EINTR) return failWithErrno(handle);
    }
}

int32_t classicSeek(ClassicHandle handle, int32_t offset, int origin) {
    if (origin < 0 || origin > 2) return fail(kInvalidParameter);
    int how = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : SEEK_END;
    off_t at = ::lseek(handle, offset, how);
    if (at < 0) return errno == EINVAL ? fail(kNegativeSeek) : failWithErrno(handle);
    // A position that a 32-bit result cannot show is refused after the move, as _llseek
    // reports it only through its return value.
    if (at > INT32_MAX) return fail(kInvalidParameter);
    return static_cast<int32_t>(at);
}

int32_t classicClose(ClassicHandle handle) {
    if (::close(handle) != 0 && errno != EINTR) return failWithErrno(handle);
    return 0;
}

SysError classicLastError() { return lastClassicError; }

}  // namespace platform
