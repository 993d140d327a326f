#include "fsutil/listing_buffer.h"

#include <algorithm>
#include <cstring>

namespace zrt {

ListingBuffer::ListingBuffer(char* data, int32_t size) : data_(data), size_(size_t(size)) {
    data_[0] = '\0';
}

void ListingBuffer::add(std::string_view entry) {
    size_t room = size_ > used_ ? size_ - used_ : 0;
    size_t n = std::min(entry.size(), room);
    std::memcpy(data_ + std::min(used_, size_), entry.data(), n);
    used_ += entry.size();
    data_[std::min(used_, size_)] = '\0';
}

}  // namespace zrt
