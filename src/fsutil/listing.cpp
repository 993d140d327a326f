// Dir, DirMore, DirX, DirMoreX: directory listings in fixed-width text, handed out a buffer at a
// time. One search per process stays open between calls while entries remain.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "frame/result.h"
#include "fsutil/listing_entries.h"
#include "platform/platform.h"
#include "zrt32.h"

namespace zrt {

namespace {

using platform::DirEntry;
using platform::SysError;

// The caller's buffer of a listing: entries one after another, each followed by a terminator
// that the next one overwrites.
//
// The caller promises size + 1 bytes. An entry is added while the position after it plus one
// more entry does not pass size, so a buffer of at least one entry is never overrun; the very
// first entry of a call is added whatever the size, and is cut to what the buffer holds (its
// first size characters) rather than written past it.
class ListingBuffer {
public:
    // size must not be negative. The buffer starts empty: its first byte becomes the terminator.
    ListingBuffer(char* data, int32_t size) : data_(data), size_(size_t(size)) { data_[0] = '\0'; }

    void add(std::string_view entry) {
        size_t room = size_ > used_ ? size_ - used_ : 0;
        size_t n = std::min(entry.size(), room);
        std::memcpy(data_ + std::min(used_, size_), entry.data(), n);
        used_ += entry.size();
        data_[std::min(used_, size_)] = '\0';
    }
    // True when one more entry of this width would pass the end.
    bool full(size_t width) const { return used_ + width > size_; }

private:
    char* data_;
    size_t size_;
    size_t used_ = 0;  // where the next entry goes; may pass size_ after a cut entry
};

constexpr uint32_t kNoSearch = 0xFFFFFFFFu;

struct EntryFormat {
    size_t width;
    bool (*listed)(const DirEntry&);
    std::string (*text)(const DirEntry&);
};

bool everyEntry(const DirEntry&) { return true; }

constexpr EntryFormat kDirFormat{kDirEntryWidth, ListedByDir, DirEntryText};
constexpr EntryFormat kDirXFormat{kDirXEntryWidth, everyEntry, DirXEntryText};

// The listing state: started by Dir or DirX, continued by DirMore or DirMoreX, closed when it
// ends or when the next listing starts.
platform::DirSearch& listingSearch() {
    static platform::DirSearch search;
    return search;
}

// Adds entries from the current one on until the buffer is full (0, the search stays open) or
// the search ends (its error, 18 at the end, the search closed). The full test follows each
// added entry before the search moves on, so the entry that filled the buffer is not lost.
uint32_t fill(const EntryFormat& format, DirEntry& entry, ListingBuffer& out) {
    platform::DirSearch& search = listingSearch();
    for (;;) {
        if (format.listed(entry)) {
            out.add(format.text(entry));
            if (out.full(format.width)) return platform::kOk;
        }
        if (SysError e = search.next(entry)) {
            search.close();
            return e;
        }
    }
}

uint32_t startListing(const EntryFormat& format, const char* pattern, int32_t size,
                      char* buffer) {
    if (!pattern || !buffer || size < 0) return platform::kInvalidParameter;
    return guardedCode([&]() -> uint32_t {
        ListingBuffer out(buffer, size);
        platform::DirSearch& search = listingSearch();
        search.close();
        DirEntry entry;
        if (SysError e = search.first(pattern, entry)) return e;
        return fill(format, entry, out);
    });
}

// A failed first move closes the search and gives noMoreFiles at its end, otherError else.
uint32_t continueListing(const EntryFormat& format, int32_t size, char* buffer,
                         uint32_t noMoreFiles, uint32_t otherError) {
    if (!buffer || size < 0) return platform::kInvalidParameter;
    return guardedCode([&]() -> uint32_t {
        ListingBuffer out(buffer, size);
        platform::DirSearch& search = listingSearch();
        if (!search.isOpen()) return kNoSearch;
        DirEntry entry;
        if (SysError e = search.next(entry)) {
            search.close();
            return e == platform::kNoMoreFiles ? noMoreFiles : otherError;
        }
        return fill(format, entry, out);
    });
}

}  // namespace

}  // namespace zrt

extern "C" ZRT_PUBLIC uint32_t ZRT_API Dir(const char* pattern, int32_t size, char* buffer) {
    return zrt::startListing(zrt::kDirFormat, pattern, size, buffer);
}

extern "C" ZRT_PUBLIC uint32_t ZRT_API DirMore(int32_t size, char* buffer) {
    return zrt::continueListing(zrt::kDirFormat, size, buffer, 1, 2);
}

extern "C" ZRT_PUBLIC uint32_t ZRT_API DirX(const char* pattern, int32_t size, char* buffer) {
    return zrt::startListing(zrt::kDirXFormat, pattern, size, buffer);
}

extern "C" ZRT_PUBLIC uint32_t ZRT_API DirMoreX(int32_t size, char* buffer) {
    return zrt::continueListing(zrt::kDirXFormat, size, buffer, platform::kNoMoreFiles, 1);
}
