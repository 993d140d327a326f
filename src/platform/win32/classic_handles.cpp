// Classic file handles on Windows: HFILE numbers, which on Win32 are kernel handles cut to 32
// bits. The interpreter's own _lopen handles are of this kind, so the transfers work on them
// directly; the opens are those of File (CreateFileA with the share modes _lopen gives the
// OF_SHARE_ flags), so that errors come out as for every other open.
#include "platform/common/backend.h"
#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform::backend {

namespace {

HANDLE handleOf(ClassicHandle h) { return LongToHandle(h); }

}  // namespace

SysError readClassic(ClassicHandle handle, void* buffer, uint32_t count, uint32_t& moved) {
    DWORD n = 0;
    if (!ReadFile(handleOf(handle), buffer, count, &n, nullptr)) return win32::lastError();
    moved = n;
    return kOk;
}

SysError writeClassic(ClassicHandle handle, const void* buffer, uint32_t count, uint32_t& moved) {
    DWORD n = 0;
    if (!WriteFile(handleOf(handle), buffer, count, &n, nullptr)) return win32::lastError();
    moved = n;
    return kOk;
}

SysError seekClassic(ClassicHandle handle, int32_t offset, int origin, int64_t& at) {
    static const DWORD kMethods[] = {FILE_BEGIN, FILE_CURRENT, FILE_END};
    LARGE_INTEGER distance, to;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(handleOf(handle), distance, &to, kMethods[origin]))
        return win32::lastError();
    at = to.QuadPart;
    return kOk;
}

SysError closeClassic(ClassicHandle handle) {
    if (!CloseHandle(handleOf(handle))) return win32::lastError();
    return kOk;
}

}  // namespace platform::backend
