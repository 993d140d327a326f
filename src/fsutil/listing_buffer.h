// The caller's buffer of a listing: entries one after another, each followed by a terminator
// that the next one overwrites.
//
// The caller promises size + 1 bytes. An entry is added while the position after it plus one
// more entry does not pass size, so a buffer of at least one entry is never overrun; the very
// first entry of a call is added whatever the size, and is cut to what the buffer holds (its
// first size characters) rather than written past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zrt {

class ListingBuffer {
public:
    // size must not be negative. The buffer starts empty: its first byte becomes the terminator.
    ListingBuffer(char* data, int32_t size);

    void add(std::string_view entry);
    // True when one more entry of this width would pass the end.
    bool full(size_t width) const { return used_ + width > size_; }

private:
    char* data_;
    size_t size_;
    size_t used_ = 0;  // where the next entry goes; may pass size_ after a cut entry
};

}  // namespace zrt
