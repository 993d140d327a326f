// Views on POSIX: shared mappings of a file, whole or a part of it.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "platform/common/backend.h"
#include "platform/platform.h"
#include "platform/posix/errors.h"

namespace platform {

namespace {

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

namespace backend {

// Views begin at a multiple of the page size.
uint64_t viewAlignment() {
    long n = sysconf(_SC_PAGESIZE);
    return n > 0 ? static_cast<uint64_t>(n) : 4096;
}

// Shared even when read-only, so that the view sees what other processes write.
SysError mapView(intptr_t handle, bool writable, uint64_t start, size_t span, uint8_t*& base) {
    int protection = PROT_READ | (writable ? PROT_WRITE : 0);
    ViewDescriptor view(static_cast<int>(handle), writable);
    void* p = ::mmap(nullptr, span, protection, MAP_SHARED, view.fd(), static_cast<off_t>(start));
    if (p == MAP_FAILED) return posix::lastSysError();
    base = static_cast<uint8_t*>(p);
    return kOk;
}

void unmapView(uint8_t* base, size_t span) { ::munmap(base, span); }

}  // namespace backend

void adviseLargePages(void* p, size_t bytes) {
    // The whole large pages inside the block; the system takes only aligned ranges.
    constexpr uintptr_t kLarge = uintptr_t(2) << 20;
    uintptr_t begin = (reinterpret_cast<uintptr_t>(p) + kLarge - 1) & ~(kLarge - 1);
    uintptr_t end = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(kLarge - 1);
#ifdef MADV_HUGEPAGE
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

}  // namespace platform
