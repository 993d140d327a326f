// APLGetVersion and BrowseDirectory: what the system says about itself, and its folder dialog.
#include <cstdint>

#include "frame/codes.h"
#include "frame/export_bodies.h"
#include "frame/result.h"
#include "platform/platform.h"
#include "zrt32.h"

namespace {

// Written by the system's folder dialog: the caller's buffer holds a full path.
constexpr uint32_t kPathBufferSize = 260;

void store(uint32_t* out, uint32_t value) {
    if (out) *out = value;
}

}  // namespace

// When the system will not tell, the outputs are 12345678, 0, 0, 0 and the result 10005.
zrt::Code zrt::body::APLGetVersion(uint32_t* platformId, uint32_t* major, uint32_t* minor,
                                   uint32_t* build) {
    platform::OsVersion v;
    Code code = kOk;
    if (platform::osVersion(v) != platform::kOk) {
        v = {12345678, 0, 0, 0};
        code = kNoVersion;
    }
    store(platformId, v.platformId);
    store(major, v.major);
    store(minor, v.minor);
    store(build, v.build);
    return code;
}

extern "C" ZRT_PUBLIC uint32_t ZRT_API APLGetVersion(uint32_t* platformId, uint32_t* major,
                                                     uint32_t* minor, uint32_t* build) {
    return zrt::guardedCode([&] { return zrt::body::APLGetVersion(platformId, major, minor, build); });
}

// 1 with the chosen folder's path in buffer; 0 when cancelled or when there is no desktop. What
// else the system's dialog reports (0x8007000E without the shell's allocator) passes through.
extern "C" ZRT_PUBLIC uint32_t ZRT_API BrowseDirectory(const char* title, const char* startFolder,
                                                       char* buffer, void* owner) {
    (void)owner;  // the platform's dialog is shown without an owner window
    if (!buffer) return 0;
    return zrt::guardedCode([&]() -> uint32_t {
        return uint32_t(platform::browseFolder(title ? title : "",
                                               startFolder ? startFolder : "", buffer,
                                               kPathBufferSize));
    });
}
