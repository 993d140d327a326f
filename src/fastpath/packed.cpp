#include "fastpath/packed.h"

#include <cstdlib>
#include <cstring>

#include "fastpath/byte_order.h"

namespace zrt {

namespace {

// The packed form of an empty Boolean vector: what a null item slot packs as.
constexpr uint32_t kEmptyVectorWords = 3;
constexpr uint32_t kEmptyVectorDescriptor = kBool << 8 | 1 << 4 | kOwnerSimple;

struct Header {
    uint32_t type = 0;
    uint32_t rank = 0;
    uint32_t cells = 0;  // product of the shape
    uint64_t items = 0;  // nested: items that follow, the prototype of an empty one included
    size_t bytes = 0;    // bytes of this block in the buffer (a nested one: its header)
};

bool fits(size_t size, size_t pos, uint64_t bytes) { return pos <= size && bytes <= size - pos; }

// Reads and checks the block header at pos.
bool readHeader(const uint8_t* b, size_t size, size_t pos, Header& h) {
    if (!fits(size, pos, 8)) return false;
    const uint32_t first = load32le(b + pos);
    const uint16_t descriptor = load16le(b + pos + 4);
    h.type = (descriptor >> 8) & 15u;
    h.rank = (descriptor >> 4) & 15u;
    if (h.type > kNested) return false;
    const uint64_t header = 8 + 4 * uint64_t(h.rank);
    if (!fits(size, pos, header)) return false;
    uint64_t n = 1;
    for (uint32_t i = 0; i < h.rank; ++i) {
        n *= load32le(b + pos + 8 + 4 * i);
        if (n > 0xFFFFFFFFu) return false;
    }
    h.cells = static_cast<uint32_t>(n);
    if (h.type == kNested) {
        h.items = n == 0 ? 1 : n;
        h.bytes = static_cast<size_t>(header);
        // Each item takes at least 8 bytes: a count the buffer cannot hold is damage, found
        // before anything is allocated for it.
        return h.items <= (size - pos - header) / 8;
    }
    const uint64_t needed = (n * bitsOf(h.type) + 31) / 32 + 2 + h.rank;
    if (first == 0 || first - 1 < needed || !fits(size, pos, 4 * uint64_t(first - 1))) return false;
    h.bytes = static_cast<size_t>(4 * uint64_t(first - 1));
    return true;
}

bool walk(const uint8_t* b, size_t size, size_t& pos, uint32_t depth) {
    Header h;
    if (depth > kMaxPackedDepth || !readHeader(b, size, pos, h)) return false;
    pos += h.bytes;
    for (uint64_t k = 0; h.type == kNested && k < h.items; ++k)
        if (!walk(b, size, pos, depth + 1)) return false;
    return true;
}

Code unpackAt(const uint8_t* b, size_t size, size_t& pos, uint32_t depth, TreePtr& out) {
    Header h;
    if (depth > kMaxPackedDepth || !readHeader(b, size, pos, h)) return kBadType;
    // A nested block gets the size of this target's slots; a simple one the size it carries.
    const uint32_t words = h.type == kNested
                               ? blockWordsFor(kNested, h.rank, h.cells)
                               : static_cast<uint32_t>(h.bytes / 4);
    TreePtr a(static_cast<APLArray*>(std::calloc(words, 4)));
    if (!a) return kNoMemory;
    std::memcpy(a.get(), b + pos, h.bytes);
    a->blockWords = words;
    pos += h.bytes;
    for (uint32_t k = 0; h.type == kNested && k < h.items; ++k) {
        TreePtr item;
        if (Code c = unpackAt(b, size, pos, depth + 1, item)) return c;
        setSlot(a.get(), k, item.release());
    }
    out = std::move(a);
    return kOk;
}

}  // namespace

Code PackedSize(const uint8_t* buffer, size_t size, uint32_t& out) {
    size_t pos = 0;
    if (!buffer || !walk(buffer, size, pos, 1)) return kBadType;
    out = static_cast<uint32_t>(pos);
    return kOk;
}

Code Unpack(const uint8_t* buffer, size_t size, TreePtr& out) {
    size_t pos = 0;
    if (!buffer) return kBadType;
    return unpackAt(buffer, size, pos, 1, out);
}

uint64_t PackedWords(const APLArray* a) {
    if (!a) return kEmptyVectorWords;
    if (typeOf(a) != kNested) return a->blockWords;
    uint64_t words = 2 + rankOf(a);
    for (uint32_t k = 0, n = storedCount(a); k < n; ++k) words += PackedWords(slotAt(a, k));
    return words;
}

size_t Pack(const APLArray* a, uint8_t* d) {
    if (!a) {
        store32le(d, kEmptyVectorWords + 1);
        store32le(d + 4, kEmptyVectorDescriptor);
        store32le(d + 8, 0);
        return 4 * kEmptyVectorWords;
    }
    if (typeOf(a) != kNested) {
        const size_t bytes = 4 * size_t(a->blockWords);
        std::memcpy(d, a, bytes);
        store32le(d, a->blockWords + 1);
        return bytes;
    }
    // The block's size on a 32-bit target: one word per item slot, the prototype included.
    const uint32_t rank = rankOf(a), n = storedCount(a);
    store32le(d, n + rank + 2 + 1);
    std::memcpy(d + 4, reinterpret_cast<const uint8_t*>(a) + 4, 4 + 4 * size_t(rank));
    size_t at = 8 + 4 * size_t(rank);
    for (uint32_t k = 0; k < n; ++k) at += Pack(slotAt(a, k), d + at);
    return at;
}

}  // namespace zrt
