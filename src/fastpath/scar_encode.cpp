#include <algorithm>
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
    return nodeLength(rankOf(a), storedCount(a), kScarBits[SQTypeOf(a)]);
}

bool isNested(const APLArray* a) { return a && typeOf(a) == kNested; }

// The size of the tree of a; a nested node's items follow it, in item order.
Code measure(const APLArray* a, uint32_t depth, ScarPlan& plan, uint64_t& size) {
    if (a && (typeOf(a) > kNested || depth > kMaxScarDepth)) return kBadType;
    size = nodeLengthOf(a);
    if (!isNested(a)) return kOk;
    const uint32_t n = storedCount(a);
    const size_t first = plan.offsets.size();
    plan.offsets.resize(first + n);
    for (uint32_t k = 0; k < n; ++k) {
        plan.offsets[first + k] = static_cast<uint32_t>(size);
        uint64_t item;
        if (Code c = measure(slotAt(a, k), depth + 1, plan, item)) return c;
        size += item;
        if (size > kMaxTree) return kBadType;
    }
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

class Encoder {
public:
    Encoder(const ScarPlan& plan, ScarSink& sink) : plan_(plan), sink_(sink) {}

    void node(const APLArray* a) {
        const uint32_t rank = a ? rankOf(a) : 1;
        const uint32_t* shape = a ? shapeOf(a) : &kNoShape;
        const uint32_t sq = a ? SQTypeOf(a) : kSqBool;
        const uint32_t n = a ? storedCount(a) : 0;
        const uint64_t length = nodeLengthOf(a);
        uint8_t header[8 + 4 * 15];
        store32le(header, static_cast<uint32_t>(length));
        header[4] = static_cast<uint8_t>(sq);
        header[5] = static_cast<uint8_t>(rank);
        header[6] = header[7] = 0;
        for (uint32_t i = 0; i < rank; ++i) store32le(header + 8 + 4 * i, shape[i]);
        sink_.put(header, 8 + 4 * rank);

        if (sq == kSqNested) {
            if (LogEnabled(0, kLogScar, 8)) LogMessage("Nested");
            if (LogEnabled(0, kLogScar, 9)) LogArray(a);
            offsets(n);
            for (uint32_t k = 0; k < n; ++k) node(slotAt(a, k));
            return;
        }
        const uint64_t bytes = (uint64_t(n) * kScarBits[sq] + 7) / 8;
        if (a) logSimple(a);
        if (bytes) sink_.put(dataOf(a), static_cast<size_t>(bytes));
        static const uint8_t zeros[4] = {};
        sink_.put(zeros, static_cast<size_t>(length - 8 - 4 * rank - bytes));  // padding
        if (LogEnabled(0, kLogScar, 10)) {
            LogMessage("SCAR");
            LogValue("Length", static_cast<int32_t>(length));
            LogValue("rank  ", static_cast<int32_t>(rank));
        }
    }

private:
    // The next n offsets of the plan, little-endian, a batch at a time.
    void offsets(uint32_t n) {
        uint8_t batch[4 * 256];
        for (uint32_t done = 0; done < n;) {
            const uint32_t part = std::min<uint32_t>(n - done, 256);
            for (uint32_t k = 0; k < part; ++k) store32le(batch + 4 * k, plan_.offsets[next_++]);
            sink_.put(batch, 4 * size_t(part));
            done += part;
        }
    }

    const ScarPlan& plan_;
    ScarSink& sink_;
    size_t next_ = 0;
};

class MemorySink : public ScarSink {
public:
    explicit MemorySink(uint8_t* to) : at_(to) {}
    void put(const void* bytes, size_t count) override {
        if (count) std::memcpy(at_, bytes, count);
        at_ += count;
    }

private:
    uint8_t* at_;
};

}  // namespace

Code PlanScar(const APLArray* a, ScarPlan& plan) {
    if (!a) return kBadType;
    plan.offsets.clear();
    return measure(a, 1, plan, plan.treeSize);
}

Code ScarSize(const APLArray* a, uint64_t& size) {
    ScarPlan plan;
    if (Code c = PlanScar(a, plan)) return c;
    size = plan.treeSize;
    return kOk;
}

void WriteScar(const APLArray* a, const ScarPlan& plan, ScarSink& sink) {
    uint8_t header[kScarHeaderSize] = {'B', 'L'};
    std::memcpy(header + 2, DyalogCharset().text, 6);
    sink.put(header, sizeof header);
    Encoder(plan, sink).node(a);
}

Code EncodeScar(const APLArray* a, ScarBuffer& out) {
    ScarPlan plan;
    if (Code c = PlanScar(a, plan)) return c;
    const size_t size = static_cast<size_t>(kScarHeaderSize + plan.treeSize);
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[size]);
    if (!bytes) return kNoMemory;
    MemorySink sink(bytes.get());
    WriteScar(a, plan, sink);
    out.bytes = std::move(bytes);
    out.size = size;
    return kOk;
}

}  // namespace zrt
