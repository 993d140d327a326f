// File: the checks, injected faults and transfer loops of every target; the system calls are
// the back end's (platform/common/backend.h).
#include <algorithm>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "platform/common/backend.h"
#include "platform/platform.h"

namespace platform {

namespace {

// A single call moves at most this much, so that the count fits ssize_t and DWORD on every
// width.
constexpr uint32_t kChunk = 1u << 30;

// The last byte of a positioned transfer must lie within the largest offset.
bool offsetFits(uint64_t offset, uint32_t count) {
    return offset <= static_cast<uint64_t>(INT64_MAX) - count;
}

// An armed fault for a transfer: its failure, or the count halved for a short transfer.
SysError transferFault(FaultOp op, uint32_t& count) {
    bool shorten = false;
    if (SysError e = injectedFault(op, &shorten)) return e;
    if (shorten) count /= 2;
    return kOk;
}

// Moves count bytes in calls of at most kChunk, through readOnce or writeOnce: a read stops at
// the end of the file, a write that moves nothing is a failing disk.
template <class Byte, class Once>
SysError moveAll(Once once, intptr_t handle, Byte* p, uint32_t count, const uint64_t* offset,
                 uint32_t& moved) {
    constexpr bool reading = !std::is_const_v<Byte>;
    while (moved < count) {
        uint64_t at = offset ? *offset + moved : 0;
        uint32_t n = 0;
        if (SysError e = once(handle, p + moved, std::min(count - moved, kChunk),
                              offset ? &at : nullptr, n))
            return e;
        if (n == 0) return reading ? kOk : kWriteFault;
        moved += n;
    }
    return kOk;
}

}  // namespace

File::~File() {
    if (handle_ != kNoHandle) (void)backend::closeFile(handle_);
}

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, kNoHandle)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (handle_ != kNoHandle) (void)backend::closeFile(handle_);
        handle_ = std::exchange(other.handle_, kNoHandle);
    }
    return *this;
}

SysError File::open(const std::string& path, uint32_t access, uint32_t share,
                    Disposition disposition, File& out) {
    out = File();
    if (disposition != Disposition::OpenExisting)
        if (SysError e = injectedFault(kFaultCreate)) return e;
    intptr_t handle = kNoHandle;
    if (SysError e = backend::openFile(path, access, share, disposition, handle)) return e;
    out.handle_ = handle;
    return kOk;
}

SysError File::read(void* buffer, uint32_t count, uint32_t& got) {
    got = 0;
    if (!isOpen()) return kInvalidHandle;
    if (SysError e = transferFault(kFaultRead, count)) return e;
    return moveAll(backend::readOnce, handle_, static_cast<uint8_t*>(buffer), count, nullptr, got);
}

SysError File::write(const void* buffer, uint32_t count, uint32_t& put) {
    put = 0;
    if (!isOpen()) return kInvalidHandle;
    if (SysError e = transferFault(kFaultWrite, count)) return e;
    return moveAll(backend::writeOnce, handle_, static_cast<const uint8_t*>(buffer), count, nullptr,
                   put);
}

SysError File::readAt(uint64_t offset, void* buffer, uint32_t count, uint32_t& got) {
    got = 0;
    if (!isOpen()) return kInvalidHandle;
    if (SysError e = transferFault(kFaultRead, count)) return e;
    if (!offsetFits(offset, count)) return kInvalidParameter;
    return moveAll(backend::readOnce, handle_, static_cast<uint8_t*>(buffer), count, &offset, got);
}

SysError File::writeAt(uint64_t offset, const void* buffer, uint32_t count, uint32_t& put) {
    put = 0;
    if (!isOpen()) return kInvalidHandle;
    if (SysError e = transferFault(kFaultWrite, count)) return e;
    if (!offsetFits(offset, count)) return kInvalidParameter;
    return moveAll(backend::writeOnce, handle_, static_cast<const uint8_t*>(buffer), count, &offset,
                   put);
}

SysError File::seek(int64_t offset, Whence whence, uint64_t* newPosition) {
    if (!isOpen()) return kInvalidHandle;
    uint64_t at = 0;
    if (SysError e = backend::seekFile(handle_, offset, whence, at)) return e;
    if (newPosition) *newPosition = at;
    return kOk;
}

SysError File::size(uint64_t& out) const {
    out = 0;
    if (!isOpen()) return kInvalidHandle;
    return backend::fileSize(handle_, out);
}

SysError File::identity(FileIdentity& out) const {
    out = {};
    if (!isOpen()) return kInvalidHandle;
    return backend::fileIdentity(handle_, out);
}

SysError File::setEnd() {
    if (!isOpen()) return kInvalidHandle;
    if (SysError e = injectedFault(kFaultWrite)) return e;
    return backend::setEndHere(handle_);
}

SysError File::close() {
    if (!isOpen()) return kInvalidHandle;
    return backend::closeFile(std::exchange(handle_, kNoHandle));
}

}  // namespace platform
