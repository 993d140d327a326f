// Mapping: ownership moves the same way on every target; each target maps and unmaps.
#include <utility>

#include "platform/platform.h"

namespace platform {

Mapping::~Mapping() { unmap(); }

Mapping::Mapping(Mapping&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      base_(std::exchange(other.base_, nullptr)),
      length_(std::exchange(other.length_, 0)),
      extra_(std::exchange(other.extra_, -1)) {}

Mapping& Mapping::operator=(Mapping&& other) noexcept {
    if (this != &other) {
        unmap();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        base_ = std::exchange(other.base_, nullptr);
        length_ = std::exchange(other.length_, 0);
        extra_ = std::exchange(other.extra_, -1);
    }
    return *this;
}

}  // namespace platform
