#include "notation/block.h"

#include <cstdlib>
#include <new>
#include <string>

#include "notation/error.h"

namespace zrt::host {

namespace {

// Result trees deeper than this are taken for a loop of items pointing back at each other.
constexpr int kMaxBlockDepth = 100;

void fillSimple(APLArray* a, const Value& v) {
    uint8_t* d = dataOf(a);
    uint32_t n = cellCount(a);
    for (uint32_t k = 0; k < n; ++k) {
        switch (v.type) {
        case kChar: d[k] = static_cast<uint8_t>(v.chars[k]); break;
        case kBool: setBitAt(d, k, v.numbers[k] != 0); break;
        case kInt8: d[k] = static_cast<uint8_t>(static_cast<int8_t>(v.numbers[k])); break;
        case kInt16: {
            auto x = static_cast<int16_t>(v.numbers[k]);
            std::memcpy(d + 2 * uint64_t(k), &x, 2);
            break;
        }
        case kInt32: {
            auto x = static_cast<int32_t>(v.numbers[k]);
            std::memcpy(d + 4 * uint64_t(k), &x, 4);
            break;
        }
        default: setDoubleAt(d, k, v.numbers[k]); break;
        }
    }
}

Value readAt(const APLArray* a, int depth) {
    if (depth > kMaxBlockDepth) throw HostError("the result nests deeper than " +
                                                std::to_string(kMaxBlockDepth) + " levels");
    Value v;
    v.type = typeOf(a);
    if (v.type > kNested) throw HostError("a result block has type " + std::to_string(v.type));
    uint64_t n = 1;
    for (uint32_t i = 0; i < rankOf(a); ++i) {
        v.shape.push_back(shapeOf(a)[i]);
        n *= shapeOf(a)[i];
        if (n > 0xFFFFFFFFu) throw HostError("a result block has more than 2^32 elements");
    }
    uint32_t words = blockWordsFor(v.type, v.rank(), static_cast<uint32_t>(n));
    if (a->blockWords != words)
        throw HostError("a result block of type " + std::to_string(v.type) + " and shape " +
                        std::to_string(n) + " elements has " + std::to_string(a->blockWords) +
                        " words, not " + std::to_string(words));
    const uint8_t* d = dataOf(a);
    if (v.type == kChar) {
        v.chars.assign(reinterpret_cast<const char*>(d), n);
    } else if (v.type == kNested) {
        for (uint32_t k = 0; k < n; ++k) {
            const APLArray* item = slotAt(a, k);
            if (!item) throw HostError("item " + std::to_string(k) + " of a result is null");
            v.items.push_back(readAt(item, depth + 1));
        }
        if (n == 0) {
            const APLArray* prototype = slotAt(a, 0);
            v.items.push_back(prototype ? readAt(prototype, depth + 1) : numericArray({0}, {}));
        }
    } else {
        for (uint32_t k = 0; k < n; ++k) v.numbers.push_back(numberAt(a, k));
    }
    return v;
}

}  // namespace

APLArray* makeBlock(const Value& v) {
    uint64_t n = v.count();
    if (n > 0x7FFFFFFFu || (n << log2BitsOf(v.type)) > 0x7FFFFFFFu)
        throw HostError("the array is too large for one block");
    auto count = static_cast<uint32_t>(n);
    size_t want = v.type == kNested ? (count == 0 ? 1 : count) : count;
    size_t have = v.type == kChar ? v.chars.size()
                : v.type == kNested ? v.items.size() : v.numbers.size();
    if (v.type > kNested || have != want)
        throw HostError("the value does not hold the elements its shape asks for");
    uint32_t words = blockWordsFor(v.type, v.rank(), count);
    HostBlock a(static_cast<APLArray*>(std::calloc(words, 4)));
    if (!a) throw std::bad_alloc();
    writeHeader(a.get(), words, v.type, v.rank(), v.shape.data(), 0);
    if (v.type != kNested) {
        fillSimple(a.get(), v);
        return a.release();
    }
    // Slots are filled in order and stay null until filled, so freeHostBlock can always
    // release a half-built tree.
    uint32_t slots = count == 0 ? 1 : count;
    for (uint32_t k = 0; k < slots; ++k) setSlot(a.get(), k, makeBlock(v.items[k]));
    return a.release();
}

void freeHostBlock(APLArray* a) {
    if (!a) return;
    if (typeOf(a) == kNested) {
        uint32_t n = cellCount(a);
        for (uint32_t k = 0; k < (n == 0 ? 1 : n); ++k) freeHostBlock(slotAt(a, k));
    }
    std::free(a);
}

Value readBlock(const APLArray* a) {
    if (!a) throw HostError("the result is a null pointer");
    return readAt(a, 0);
}

void freeResultBlock(APLArray* a) {
    if (!a) return;
    uint32_t owner = ownerClassOf(a);
    if (owner != kOwnerNested && owner != kOwnerSimple) return;
    if (typeOf(a) == kNested) {
        uint32_t n = cellCount(a);
        for (uint32_t k = 0; k < (n == 0 ? 1 : n); ++k) freeResultBlock(slotAt(a, k));
    }
    std::free(a);
}

}  // namespace zrt::host
