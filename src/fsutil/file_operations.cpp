// WRename, Erase, Copy: one file operation each, the system's error number passed through.
#include <cstdint>

#include "frame/result.h"
#include "platform/platform.h"
#include "zrt32.h"

// Onto an existing file: 183. Not across volumes: 17.
extern "C" ZRT_PUBLIC uint32_t ZRT_API WRename(const char* oldPath, const char* newPath) {
    if (!oldPath || !newPath) return platform::kInvalidParameter;
    return zrt::guardedCode([&] { return platform::moveFile(oldPath, newPath); });
}

extern "C" ZRT_PUBLIC uint32_t ZRT_API Erase(const char* path) {
    if (!path) return platform::kInvalidParameter;
    return zrt::guardedCode([&] { return platform::deleteFile(path); });
}

// An existing destination is replaced.
extern "C" ZRT_PUBLIC uint32_t ZRT_API Copy(const char* source, const char* destination) {
    if (!source || !destination) return platform::kInvalidParameter;
    return zrt::guardedCode([&] { return platform::copyFile(source, destination, false); });
}
