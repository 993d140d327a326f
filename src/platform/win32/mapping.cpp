// Views on Windows: MapViewOfFile through a file-mapping object. The object is closed as soon
// as the view exists: the view holds it until UnmapViewOfFile, and stays valid after the
// file's handle is closed.
#include <cstdint>

#include "platform/common/backend.h"
#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform {

namespace backend {

// Views begin at a multiple of the allocation granularity (64 KB).
uint64_t viewAlignment() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwAllocationGranularity ? info.dwAllocationGranularity : 65536;
}

SysError mapView(intptr_t handle, bool writable, uint64_t start, size_t span, uint8_t*& base) {
    // A writable view of a handle opened for reading only fails here with 5.
    win32::Handle object(CreateFileMappingA(win32::asHandle(handle), nullptr,
                                            writable ? PAGE_READWRITE : PAGE_READONLY, 0, 0,
                                            nullptr));
    if (!object.valid()) return win32::lastError();
    void* view = MapViewOfFile(object.get(), writable ? FILE_MAP_WRITE : FILE_MAP_READ,
                               static_cast<DWORD>(start >> 32), static_cast<DWORD>(start),
                               static_cast<SIZE_T>(span));
    if (!view) return win32::lastError();
    base = static_cast<uint8_t*>(view);
    return kOk;
}

void unmapView(uint8_t* base, size_t) { UnmapViewOfFile(base); }

}  // namespace backend

// Large pages need a privilege that an interpreter's process does not have.
void adviseLargePages(void*, size_t) {}

}  // namespace platform
