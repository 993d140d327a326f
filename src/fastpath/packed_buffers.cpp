#include "fastpath/packed_buffers.h"

#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>

#include "fastpath/packed.h"
#include "frame/codes.h"
#include "frame/export_bodies.h"
#include "zrt32.h"

namespace zrt {

namespace {

alignas(4) constexpr uint8_t kFallback[16] = {0x04, 0x00, 0x00, 0x00, 0x0F, 0x22, 0x00, 0x00,
                                              0x00, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00};
// The integer vector (20, 10012): first word 6, descriptor APLType 4, rank 1, owner class 15.
alignas(4) constexpr uint8_t kNoMemoryResult[20] = {0x06, 0x00, 0x00, 0x00, 0x1F, 0x04, 0x00, 0x00,
                                                    0x02, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00,
                                                    0x1C, 0x27, 0x00, 0x00};

struct Buffer {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size;
};

// Process-wide, as the interpreter calls from one thread.
std::unordered_map<const void*, Buffer>& buffers() {
    static std::unordered_map<const void*, Buffer> table;
    return table;
}

}  // namespace

uint8_t* NewPackedBuffer(size_t size) {
    try {
        std::unique_ptr<uint8_t[]> bytes(new uint8_t[size == 0 ? 1 : size]);
        uint8_t* p = bytes.get();
        buffers().emplace(p, Buffer{std::move(bytes), size});
        return p;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool PackedBufferSize(const void* buffer, size_t& size) {
    if (buffer == kFallback) {
        size = sizeof kFallback;
        return true;
    }
    if (buffer == kNoMemoryResult) {
        size = sizeof kNoMemoryResult;
        return true;
    }
    auto it = buffers().find(buffer);
    if (it == buffers().end()) return false;
    size = it->second.size;
    return true;
}

void ReleasePackedBuffer(void* buffer) { buffers().erase(buffer); }

const uint8_t* FallbackBuffer() { return kFallback; }
const uint8_t* OutOfMemoryResult() { return kNoMemoryResult; }

namespace {

// The packed buffer whose address the variable holds, with its size.
bool bufferIn(void** variable, const uint8_t*& buffer, size_t& size) {
    if (!variable || !*variable) return false;
    buffer = static_cast<const uint8_t*>(*variable);
    return PackedBufferSize(buffer, size);
}

}  // namespace

// APLCalcSize: the size in bytes of a packed buffer.
Code body::APLCalcSize(void** variable, uint32_t* size) {
    const uint8_t* buffer;
    size_t bytes;
    if (!size || !bufferIn(variable, buffer, bytes)) return kBadType;
    return PackedSize(buffer, bytes, *size);
}

// APLPack: copies a packed buffer to the caller's memory. *size holds the capacity on entry
// and the packed size on return; a capacity too small gives 10004 with the size needed.
Code body::APLPack(void** variable, uint32_t* size, void* destination) {
    if (!size) return kBadType;
    const uint32_t capacity = *size;
    *size = 0;
    const uint8_t* buffer;
    size_t bytes;
    if (!bufferIn(variable, buffer, bytes)) return kBadType;
    uint32_t needed;
    if (Code c = PackedSize(buffer, bytes, needed)) return c;
    *size = needed;
    if (capacity < needed || !destination) return kBadType;
    std::memcpy(destination, buffer, needed);
    return kOk;
}

}  // namespace zrt

// APLUnPack: copies count bytes into a new buffer that XC can take; the fallback buffer when
// there is no memory for it (so it returns no code and needs no guard).
extern "C" ZRT_PUBLIC void* ZRT_API APLUnPack(const void* source, uint32_t count, void** out) {
    using namespace zrt;
    void* buffer = const_cast<uint8_t*>(FallbackBuffer());
    if (uint8_t* p = NewPackedBuffer(count); p && (source || count == 0)) {
        if (count) std::memcpy(p, source, count);
        buffer = p;
    } else if (p) {
        ReleasePackedBuffer(p);
    }
    if (out) *out = buffer;
    return buffer;
}

extern "C" ZRT_PUBLIC uint32_t ZRT_API APLCalcSize(void** variable, uint32_t* size) {
    return zrt::guardedCode([&] { return zrt::body::APLCalcSize(variable, size); });
}

extern "C" ZRT_PUBLIC uint32_t ZRT_API APLPack(void** variable, uint32_t* size, void* destination) {
    return zrt::guardedCode([&] { return zrt::body::APLPack(variable, size, destination); });
}

// APLFreeRes: releases a buffer made by APLUnPack or XC.
extern "C" ZRT_PUBLIC uint32_t ZRT_API APLFreeRes(void* buffer) {
    if (buffer) zrt::ReleasePackedBuffer(buffer);
    return 0;
}
