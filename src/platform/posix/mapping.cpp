// Mapping: a shared view of an open file, whole or a part of it.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/platform.h"
#include "platform/posix/errors.h"

namespace platform {

namespace {

// Views begin at a multiple of the page size.
uint64_t pageSize() {
    long n = sysconf(_SC_PAGESIZE);
    return n > 0 ? static_cast<uint64_t>(n) : 4096;
}

// A view keeps the open file description it was made from, and with it that description's
// share-mode locks (share_modes.cpp), until the view goes: a view kept after its file was
// closed would go on refusing other processes the delete or move of the file. So the view is
// made from a description of its own, opened anew through the descriptor, which holds no lock.
// Where /proc is missing, the file's own description serves.
class ViewDescriptor {
public:
    ViewDescriptor(int fd, bool writable)
        : own_(::open(("/proc/self/fd/" + std::to_string(fd)).c_str(),
                      (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC)),
          fd_(own_ >= 0 ? own_ : fd) {}
    ~ViewDescriptor() {
        if (own_ >= 0) ::close(own_);
    }
    ViewDescriptor(const ViewDescriptor&) = delete;
    ViewDescriptor& operator=(const ViewDescriptor&) = delete;
    int fd() const { return fd_; }

private:
    int own_;
    int fd_;
};

}  // namespace

SysError Mapping::mapPart(const File& file, bool writable, uint64_t offset, uint64_t length,
                          Mapping& out) {
    out.unmap();
    if (!file.isOpen()) return kInvalidHandle;
    if (SysError e = injectedFault(kFaultMap)) return e;
    int fd = static_cast<int>(file.native());
    struct stat st;
    if (fstat(fd, &st) != 0) return posix::lastSysError();
    uint64_t size = static_cast<uint64_t>(st.st_size);
    if (size == 0) return kFileInvalid;
    if (length == 0 || offset > size || length > size - offset) return kInvalidParameter;
    uint64_t skip = offset % pageSize();
    // A part larger than the address space cannot be viewed (a 32-bit process).
    if (length + skip > SIZE_MAX) return kNotEnoughMemory;
    size_t span = static_cast<size_t>(length + skip);
    int protection = PROT_READ | (writable ? PROT_WRITE : 0);
    // Shared even when read-only, so that the view sees what other processes write.
    ViewDescriptor view(fd, writable);
    void* p = ::mmap(nullptr, span, protection, MAP_SHARED, view.fd(), static_cast<off_t>(offset - skip));
    if (p == MAP_FAILED) return posix::lastSysError();
    out.base_ = static_cast<uint8_t*>(p);
    out.length_ = span;
    out.data_ = out.base_ + skip;
    out.size_ = length;
    return kOk;
}

SysError Mapping::map(const File& file, bool writable, Mapping& out) {
    uint64_t size = 0;
    if (SysError e = file.size(size)) return e;
    if (size == 0) return kFileInvalid;
    return mapPart(file, writable, 0, size, out);
}

void adviseLargePages(void* p, size_t bytes) {
    // The whole large pages inside the block; the system takes only aligned ranges.
    constexpr uintptr_t kLarge = uintptr_t(2) << 20;
    uintptr_t begin = (reinterpret_cast<uintptr_t>(p) + kLarge - 1) & ~(kLarge - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(kLarge - 1);
#ifdef MADV_HUGEPAGE
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

void Mapping::unmap() {
    if (base_) ::munmap(base_, static_cast<size_t>(length_));
    base_ = data_ = nullptr;
    length_ = size_ = 0;
}

}  // namespace platform
