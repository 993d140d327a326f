// Mapping: a view of an open file, whole or a part of it, through a file-mapping object kept
// in extra_ until the view goes. The view stays valid after the file's handle is closed.
#include <cstdint>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform {

using win32::asHandle;

namespace {

// Views begin at a multiple of the allocation granularity (64 KB).
uint64_t granularity() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwAllocationGranularity ? info.dwAllocationGranularity : 65536;
}

}  // namespace

SysError Mapping::mapPart(const File& file, bool writable, uint64_t offset, uint64_t length,
                          Mapping& out) {
    out.unmap();
    if (!file.isOpen()) return kInvalidHandle;
    if (SysError e = injectedFault(kFaultMap)) return e;
    HANDLE h = asHandle(file.native());
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size)) return win32::lastError();
    // CreateFileMapping refuses an empty file with this number too.
    if (size.QuadPart == 0) return kFileInvalid;
    uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);
    if (length == 0 || offset > fileSize || length > fileSize - offset) return kInvalidParameter;
    uint64_t skip = offset % granularity();
    // A part larger than the address space cannot be viewed (a 32-bit process).
    if (length + skip > SIZE_MAX) return kNotEnoughMemory;
    // A writable view of a handle opened for reading only fails here with 5.
    win32::Handle object(CreateFileMappingA(h, nullptr, writable ? PAGE_READWRITE : PAGE_READONLY,
                                            0, 0, nullptr));
    if (!object.valid()) return win32::lastError();
    uint64_t start = offset - skip;
    void* view = MapViewOfFile(object.get(), writable ? FILE_MAP_WRITE : FILE_MAP_READ,
                               static_cast<DWORD>(start >> 32), static_cast<DWORD>(start),
                               static_cast<SIZE_T>(length + skip));
    if (!view) return win32::lastError();
    out.base_ = static_cast<uint8_t*>(view);
    out.length_ = length + skip;
    out.data_ = out.base_ + skip;
    out.size_ = length;
    out.extra_ = win32::asNative(object.release());
    return kOk;
}

SysError Mapping::map(const File& file, bool writable, Mapping& out) {
    uint64_t size = 0;
    if (SysError e = file.size(size)) return e;
    if (size == 0) return kFileInvalid;
    return mapPart(file, writable, 0, size, out);
}

// Large pages need a privilege that an interpreter's process does not have.
void adviseLargePages(void*, size_t) {}

void Mapping::unmap() {
    if (base_) UnmapViewOfFile(base_);
    if (extra_ != -1) CloseHandle(asHandle(extra_));
    base_ = data_ = nullptr;
    length_ = size_ = 0;
    extra_ = -1;
}

}  // namespace platform
