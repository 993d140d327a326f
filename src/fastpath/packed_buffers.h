// The packed buffers that APLUnPack and XC hand out, until APLFreeRes releases them.
//
// The library keeps the size of each buffer it made, so that a buffer passed back is read
// within its bounds; an address it did not hand out is not read at all. Two constant buffers
// in static storage are never released: the fallback of APLUnPack and XC's last-resort error.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zrt {

// A new buffer of size bytes (contents undefined), or null when memory is short.
uint8_t* NewPackedBuffer(size_t size);
// The size of a buffer handed out here (the constant ones included); false for any other address.
bool PackedBufferSize(const void* buffer, size_t& size);
// Releases a buffer made by NewPackedBuffer; anything else is left alone.
void ReleasePackedBuffer(void* buffer);

// The packed 1-byte-integer scalar 0 followed by the word 20: what APLUnPack hands out when it
// cannot allocate.
const uint8_t* FallbackBuffer();
// The packed error result (20, 10012): what XC hands out when not even an error result can be
// allocated.
const uint8_t* OutOfMemoryResult();

}  // namespace zrt
