// Classic file handles: HFILE numbers, which on Win32 are kernel handles cut to 32 bits (the
// system keeps handle values within 32 bits for this). The interpreter's own _lopen handles
// are of this kind, so the transfers work on them directly; the opens are CreateFileA with
// the share modes _lopen gives the OF_SHARE_ flags, so that errors come out as for every
// other open.
#include <climits>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform {

namespace {

thread_local SysError lastClassicError = kOk;

int32_t fail(SysError e) {
    lastClassicError = e;
    return kClassicError;
}

int32_t failWithLastError() { return fail(win32::lastError()); }

HANDLE handleOf(ClassicHandle h) { return LongToHandle(h); }

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
    SysError e = kOk;
    HANDLE h = win32::createFile(path, access, share, disposition, e);
    if (e != kOk) return fail(e);
    return HandleToLong(h);
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
    DWORD n = 0;
    if (!ReadFile(handleOf(handle), buffer, count, &n, nullptr)) return failWithLastError();
    return static_cast<int32_t>(n);
}

int32_t classicWrite(ClassicHandle handle, const void* buffer, uint32_t count) {
    if (count > INT32_MAX) return fail(kInvalidParameter);
    bool shorten = false;
    if (SysError e = injectedFault(kFaultWrite, &shorten)) return fail(e);
    if (shorten) count /= 2;
    DWORD n = 0;
    if (!WriteFile(handleOf(handle), buffer, count, &n, nullptr)) return failWithLastError();
    return static_cast<int32_t>(n);
}

int32_t classicSeek(ClassicHandle handle, int32_t offset, int origin) {
    if (origin < 0 || origin > 2) return fail(kInvalidParameter);
    static const DWORD kMethods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    LARGE_INTEGER distance, at;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(handleOf(handle), distance, &at, kMethods[origin]))
        return failWithLastError();
    // A position that a 32-bit result cannot show is refused after the move, as _llseek
    // reports it only through its return value.
    if (at.QuadPart > INT32_MAX) return fail(kInvalidParameter);
    return static_cast<int32_t>(at.QuadPart);
}

int32_t classicClose(ClassicHandle handle) {
    if (!CloseHandle(handleOf(handle))) return failWithLastError();
    return 0;
}

SysError classicLastError() { return lastClassicError; }

}  // namespace platform
