// What each back end supplies to the shared half of the platform layer: the system calls, one
// small function each, with no checks of their own. Argument checks, injected faults, range
// checks of offsets and the loops over large transfers are written once in platform/common/.
// Only the platform layer includes this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace platform::backend {

// ---- Files (native handles: a descriptor on POSIX, a HANDLE on Windows) --------------------

[[nodiscard]] SysError openFile(const std::string& path, uint32_t access, uint32_t share,
                  Disposition disposition, intptr_t& handle);
[[nodiscard]] SysError closeFile(intptr_t handle);
// One transfer of at most 1 GB, at offset when one is given, else at the current position
// (which a positioned transfer leaves alone). moved is 0 at the end of the file.
[[nodiscard]] SysError readOnce(intptr_t handle, void* buffer, uint32_t count, const uint64_t* offset,
                  uint32_t& moved);
[[nodiscard]] SysError writeOnce(intptr_t handle, const void* buffer, uint32_t count, const uint64_t* offset,
                   uint32_t& moved);
[[nodiscard]] SysError seekFile(intptr_t handle, int64_t offset, Whence whence, uint64_t& at);
[[nodiscard]] SysError fileSize(intptr_t handle, uint64_t& size);
[[nodiscard]] SysError fileIdentity(intptr_t handle, FileIdentity& out);
// Makes the current position the end of the file.
[[nodiscard]] SysError setEndHere(intptr_t handle);

// ---- Views ---------------------------------------------------------------------------------

// Views begin at a multiple of this (the page size, or Windows' allocation granularity).
uint64_t viewAlignment();
// A shared view of span bytes from start (a multiple of viewAlignment()).
[[nodiscard]] SysError mapView(intptr_t handle, bool writable, uint64_t start, size_t span, uint8_t*& base);
void unmapView(uint8_t* base, size_t span);

// ---- Classic handles ---------------------------------------------------------------------

// Opened with openFile.
[[nodiscard]] SysError readClassic(ClassicHandle handle, void* buffer, uint32_t count, uint32_t& moved);
[[nodiscard]] SysError writeClassic(ClassicHandle handle, const void* buffer, uint32_t count, uint32_t& moved);
// origin 0, 1 or 2: from the start, the current position or the end.
[[nodiscard]] SysError seekClassic(ClassicHandle handle, int32_t offset, int origin, int64_t& at);
[[nodiscard]] SysError closeClassic(ClassicHandle handle);

// ---- Profile strings -----------------------------------------------------------------------

// The value of key in section of the profile file at path, cut to size - 1 characters, or
// fallback when the file, the section or the key is missing.
std::string profileValue(const char* section, const char* key, const std::string& fallback,
                         const std::string& path, uint32_t size);

// How a path names its directory: the characters that show a directory part, and those that
// may end a directory name already.
#if defined(_WIN32)
inline constexpr const char* kDirectoryMarks = "\\/:";
inline constexpr const char* kSeparators = "\\/";
inline constexpr char kSeparator = '\\';
#else
inline constexpr const char* kDirectoryMarks = "/";
inline constexpr const char* kSeparators = "/";
inline constexpr char kSeparator = '/';
#endif

}  // namespace platform::backend
