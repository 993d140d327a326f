// Mapping: a view of a whole open file through a file-mapping object, kept in extra_ until
// the view goes. The view stays valid after the file's handle is closed.
#include <cstdint>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform {

using win32::asHandle;

SysError Mapping::map(const File& file, bool writable, Mapping& out) {
    out.unmap();
    if (!file.isOpen()) return kInvalidHandle;
    if (SysError e = injectedFault(kFaultMap)) return e;
    HANDLE h = asHandle(file.native());
    LARGE_INTEGER size;
    if (!GetFileSizeEx(h, &size)) return win32::lastError();
    // CreateFileMapping refuses an empty file with this number too.
    if (size.QuadPart == 0) return kFileInvalid;
    // A file larger than the address space cannot be viewed whole (a 32-bit process).
    if (static_cast<uint64_t>(size.QuadPart) > SIZE_MAX) return kNotEnoughMemory;
    // A writable view of a handle opened for reading only fails here with 5.
    win32::Handle object(CreateFileMappingA(h, nullptr, writable ? PAGE_READWRITE : PAGE_READONLY,
                                            0, 0, nullptr));
    if (!object.valid()) return win32::lastError();
    void* view = MapViewOfFile(object.get(), writable ? FILE_MAP_WRITE : FILE_MAP_READ, 0, 0, 0);
    if (!view) return win32::lastError();
    out.data_ = static_cast<uint8_t*>(view);
    out.size_ = static_cast<uint64_t>(size.QuadPart);
    out.extra_ = win32::asNative(object.release());
    return kOk;
}

void Mapping::unmap() {
    if (data_) UnmapViewOfFile(data_);
    if (extra_ != -1) CloseHandle(asHandle(extra_));
    data_ = nullptr;
    size_ = 0;
    extra_ = -1;
}

}  // namespace platform
