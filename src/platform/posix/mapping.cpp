// Mapping: a shared view of a whole open file.
#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>

#include "platform/platform.h"
#include "platform/posix/errors.h"

namespace platform {

SysError Mapping::map(const File& file, bool writable, Mapping& out) {
    out.unmap();
    if (!file.isOpen()) return kInvalidHandle;
    if (SysError e = injectedFault(kFaultMap)) return e;
    int fd = static_cast<int>(file.native());
    struct stat st;
    if (fstat(fd, &st) != 0) return posix::lastSysError();
    if (st.st_size == 0) return kFileInvalid;
    // A file larger than the address space cannot be viewed whole (a 32-bit process).
    if (static_cast<uint64_t>(st.st_size) > SIZE_MAX) return kNotEnoughMemory;
    size_t length = static_cast<size_t>(st.st_size);
    int protection = PROT_READ | (writable ? PROT_WRITE : 0);
    // Shared even when read-only, so that the view sees what other processes write.
    void* p = ::mmap(nullptr, length, protection, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) return posix::lastSysError();
    out.data_ = static_cast<uint8_t*>(p);
    out.size_ = length;
    return kOk;
}

void Mapping::unmap() {
    if (data_) ::munmap(data_, static_cast<size_t>(size_));
    data_ = nullptr;
    size_ = 0;
}

}  // namespace platform
