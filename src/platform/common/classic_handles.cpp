// Classic file handles: the OF_ flags read into an access and a share mode, counts and
// positions checked against 32 bits, and the last error kept per thread. The back end opens,
// moves and closes.
#include <climits>

#include "platform/common/backend.h"
#include "platform/platform.h"

namespace platform {

namespace {

thread_local SysError lastClassicError = kOk;

int32_t fail(SysError e) {
    lastClassicError = e;
    return kClassicError;
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

// A classic handle is the native handle cut to 32 bits: a descriptor, or a Windows handle,
// whose values the system keeps within 32 bits for this.
ClassicHandle openClassic(const std::string& path, uint32_t access, uint32_t share,
                          Disposition disposition) {
    intptr_t handle = kClassicError;
    if (SysError e = backend::openFile(path, access, share, disposition, handle)) return fail(e);
    return static_cast<ClassicHandle>(handle);
}

// A transfer's count must fit the 32-bit result; an armed fault fails it or halves it.
SysError transferChecks(FaultOp op, uint32_t& count) {
    if (count > INT32_MAX) return kInvalidParameter;
    bool shorten = false;
    if (SysError e = injectedFault(op, &shorten)) return e;
    if (shorten) count /= 2;
    return kOk;
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
    if (SysError e = transferChecks(kFaultRead, count)) return fail(e);
    uint32_t n = 0;
    if (SysError e = backend::readClassic(handle, buffer, count, n)) return fail(e);
    return static_cast<int32_t>(n);
}

int32_t classicWrite(ClassicHandle handle, const void* buffer, uint32_t count) {
    if (SysError e = transferChecks(kFaultWrite, count)) return fail(e);
    uint32_t n = 0;
    if (SysError e = backend::writeClassic(handle, buffer, count, n)) return fail(e);
    return static_cast<int32_t>(n);
}

int32_t classicSeek(ClassicHandle handle, int32_t offset, int origin) {
    if (origin < 0 || origin > 2) return fail(kInvalidParameter);
    int64_t at = 0;
    if (SysError e = backend::seekClassic(handle, offset, origin, at)) return fail(e);
    // A position that a 32-bit result cannot show is refused after the move, as _llseek
    // reports it only through its return value.
    if (at > INT32_MAX) return fail(kInvalidParameter);
    return static_cast<int32_t>(at);
}

int32_t classicClose(ClassicHandle handle) {
    if (SysError e = backend::closeClassic(handle)) return fail(e);
    return 0;
}

SysError classicLastError() { return lastClassicError; }

}  // namespace platform
