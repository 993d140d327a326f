#include <cstring>
#include <new>

#include "fastpath/byte_order.h"
#include "fastpath/scar.h"
#include "frame/log.h"
#include "frame/xlate.h"

namespace zrt {

namespace {

// The whole buffer's size must fit the u32 size field of a file and every u32 offset.
constexpr uint64_t kMaxTree = 0xFFFFFFFFu - kScarHeaderSize;

// A null item slot (an empty nested array's unfilled prototype) stands for an empty vector.
constexpr uint32_t kNoShape = 0;

uint64_t nodeLength(uint32_t rank, uint64_t n, uint32_t bits) {
    return 8 + 4 * uint64_t(rank) + 4 * ((n * bits + 31) / 32);
}

uint64_t nodeLengthOf(const APLArray* a) {
    if (!a) return nodeLength(1, 0, 1);
    return nodeLength(rankOf(a), ElementCount(a), kScarBits[SQTypeOf(a)]);
}

Code measure(const APLArray* a, uint32_t depth, uint64_t& size) {
    if (a && (typeOf(a) > kNested || depth > kMaxScarDepth)) return kBadType;
    size += nodeLengthOf(a);
    if (size > kMaxTree) return kBadType;
    if (a && typeOf(a) == kNested)
        for (uint32_t k = 0, n = ElementCount(a); k < n; ++k)
            if (Code c = measure(slotAt(a, k), depth + 1, size)) return c;
    return kOk;
}

void logSimple(const APLArray* a) {
    if (LogEnabled(0, kLogScar, 8)) LogMessage("Simple");
    if (LogEnabled(0, kLogScar, 9)) LogArray(a);
    if (LogEnabled(0, kLogScar, 10)) {
        LogMessage("Move data");
        LogValue("SQType", static_cast<int32_t>(SQTypeOf(a)));
        LogValue("APLType", static_cast<int32_t>(typeOf(a)));
    }
}

// Writes the tree of a at node and returns its size: the node, then its items' trees.
uint64_t encodeNode(const APLArray* a, uint8_t* node) {
    const uint32_t rank = a ? rankOf(a) : 1;
    const uint32_t* shape = a ? shapeOf(a) : &kNoShape;
    const uint32_t sq = a ? SQTypeOf(a) : kSqBool;
    const uint32_t n = a ? ElementCount(a) : 0;
    const uint64_t length = nodeLengthOf(a);
    store32le(node, static_cast<uint32_t>(length));
    node[4] = static_cast<uint8_t>(sq);
    node[5] = static_cast<uint8_t>(rank);
    node[6] = node[7] = 0;
    for (uint32_t i = 0; i < rank; ++i) store32le(node + 8 + 4 * i, shape[i]);
    uint8_t* data = node + 8 + 4 * rank;

    if (sq == kSqNested) {
        if (LogEnabled(0, kLogScar, 8)) LogMessage("Nested");
        if (LogEnabled(0, kLogScar, 9)) LogArray(a);
        uint64_t next = length;
        for (uint32_t k = 0; k < n; ++k) {
            store32le(data + 4 * uint64_t(k), static_cast<uint32_t>(next));
            next += encodeNode(slotAt(a, k), node + next);
        }
        return next;
    }

    const uint64_t bytes = (uint64_t(n) * kScarBits[sq] + 7) / 8;
    if (a) logSimple(a);
    if (bytes) std::memcpy(data, dataOf(a), bytes);
    std::memset(data + bytes, 0, length - 8 - 4 * rank - bytes);  // padding
    if (LogEnabled(0, kLogScar, 10)) {
        LogMessage("SCAR");
        LogValue("Length", static_cast<int32_t>(length));
        LogValue("rank  ", static_cast<int32_t>(rank));
    }
    return length;
}

}  // namespace

Code SCARSize(const APLArray* a, uint64_t& size) {
    if (!a) return kBadType;
    size = 0;
    return measure(a, 1, size);
}

Code EncodeSCAR(const APLArray* a, ScarBuffer& out) {
    uint64_t tree;
    if (Code c = SCARSize(a, tree)) return c;
    const size_t size = static_cast<size_t>(kScarHeaderSize + tree);
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[size]);
    if (!bytes) return kNoMemory;
    bytes[0] = 'B';
    bytes[1] = 'L';
    std::memcpy(bytes.get() + 2, DyalogCharset().text, 6);
    encodeNode(a, bytes.get() + kScarHeaderSize);
    out.bytes = std::move(bytes);
    out.size = size;
    return kOk;
}

}  // namespace zrt
