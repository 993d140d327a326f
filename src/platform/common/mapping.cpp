// Mapping: the checks of a view and the moves of its ownership, the same on every target; the
// back end maps and unmaps.
#include <cstdint>
#include <utility>

#include "platform/common/backend.h"
#include "platform/platform.h"

namespace platform {

Mapping::~Mapping() { unmap(); }

Mapping::Mapping(Mapping&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      base_(std::exchange(other.base_, nullptr)),
      length_(std::exchange(other.length_, 0)) {}

Mapping& Mapping::operator=(Mapping&& other) noexcept {
    if (this != &other) {
        unmap();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        base_ = std::exchange(other.base_, nullptr);
        length_ = std::exchange(other.length_, 0);
    }
    return *this;
}

SysError Mapping::mapPart(const File& file, bool writable, uint64_t offset, uint64_t length,
                          Mapping& out) {
    out.unmap();
    if (!file.isOpen()) return kInvalidHandle;
    if (SysError e = injectedFault(kFaultMap)) return e;
    uint64_t size = 0;
    if (SysError e = file.size(size)) return e;
    // Windows refuses to map an empty file with this number; POSIX follows.
    if (size == 0) return kFileInvalid;
    if (length == 0 || offset > size || length > size - offset) return kInvalidParameter;
    uint64_t skip = offset % backend::viewAlignment();
    // A part larger than the address space cannot be viewed (a 32-bit process).
    if (length + skip > SIZE_MAX) return kNotEnoughMemory;
    size_t span = static_cast<size_t>(length + skip);
    uint8_t* base = nullptr;
    if (SysError e = backend::mapView(file.native(), writable, offset - skip, span, base)) return e;
    out.base_ = base;
    out.length_ = span;
    out.data_ = base + skip;
    out.size_ = length;
    return kOk;
}

SysError Mapping::map(const File& file, bool writable, Mapping& out) {
    uint64_t size = 0;
    if (SysError e = file.size(size)) return e;
    if (size == 0) return kFileInvalid;
    return mapPart(file, writable, 0, size, out);
}

void Mapping::unmap() {
    if (base_) backend::unmapView(base_, static_cast<size_t>(length_));
    base_ = data_ = nullptr;
    length_ = size_ = 0;
}

}  // namespace platform
