// Operations on paths: delete, move, copy, attributes, working and temporary directories. The
// system's own calls and error numbers; what they leave open is settled here.
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform {

using win32::lastError;

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

// A directory (5), a read-only file (5) and a file that someone holds open (32) stay.
SysError deleteFile(const std::string& path) {
    if (SysError e = injectedFault(kFaultDelete)) return e;
    if (path.empty()) return kPathNotFound;
    if (!DeleteFileA(path.c_str())) return lastError();
    return kOk;
}

// MoveFileExA without MOVEFILE_COPY_ALLOWED: an existing target gives 183 and another volume
// 17, where MoveFileA would copy.
SysError moveFile(const std::string& oldPath, const std::string& newPath) {
    if (SysError e = injectedFault(kFaultRename)) return e;
    if (oldPath.empty() || newPath.empty()) return kPathNotFound;
    if (!MoveFileExA(oldPath.c_str(), newPath.c_str(), 0)) return lastError();
    return kOk;
}

SysError replaceFile(const std::string& oldPath, const std::string& newPath) {
    if (SysError e = injectedFault(kFaultRename)) return e;
    if (oldPath.empty() || newPath.empty()) return kPathNotFound;
    if (!MoveFileExA(oldPath.c_str(), newPath.c_str(), MOVEFILE_REPLACE_EXISTING))
        return lastError();
    return kOk;
}

// CopyFileA refuses an existing target with failIfExists (80), a read-only target (5) and a
// copy of a file onto itself (32).
SysError copyFile(const std::string& from, const std::string& to, bool failIfExists) {
    if (SysError e = injectedFault(kFaultCreate)) return e;  // CopyFileA is one call
    if (from.empty() || to.empty()) return kPathNotFound;
    // Windows keeps a read-only target; wine would overwrite it.
    DWORD source = GetFileAttributesA(from.c_str());
    DWORD target = GetFileAttributesA(to.c_str());
    if (!failIfExists && source != INVALID_FILE_ATTRIBUTES &&
        !(source & FILE_ATTRIBUTE_DIRECTORY) && target != INVALID_FILE_ATTRIBUTES &&
        (target & FILE_ATTRIBUTE_READONLY))
        return kAccessDenied;
    if (!CopyFileA(from.c_str(), to.c_str(), failIfExists ? TRUE : FALSE)) return lastError();
    return kOk;
}

SysError fileAttributes(const std::string& path, uint32_t& attributes) {
    attributes = 0;
    if (path.empty()) return kPathNotFound;
    DWORD a = GetFileAttributesA(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return lastError();
    attributes = a;
    return kOk;
}

bool fileExists(const std::string& path) {
    return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

SysError currentDirectory(std::string& out) {
    out.clear();
    std::vector<char> buffer(MAX_PATH + 1);
    for (;;) {
        DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n == 0) return lastError();
        if (n < buffer.size()) break;
        buffer.resize(n + 1);  // n counts the NUL when the buffer was too small
    }
    out = buffer.data();
    return kOk;
}

SysError changeDirectory(const std::string& path) {
    if (path.empty()) return kPathNotFound;
    if (!SetCurrentDirectoryA(path.c_str())) return lastError();
    return kOk;
}

// GetTempPathA: TMP, else TEMP, else the user's profile, else the Windows directory; always
// with a trailing backslash.
SysError temporaryDirectory(std::string& out) {
    out.clear();
    char buffer[MAX_PATH + 2];
    DWORD n = GetTempPathA(sizeof buffer, buffer);
    if (n == 0) return lastError();
    if (n >= sizeof buffer) return kFilenameTooLong;
    out.assign(buffer, n);
    if (!isSeparator(out.back())) out += '\\';
    return kOk;
}

// GetTempFileNameA with a unique number of 0, which creates the file. An empty directory is
// the current one. A directory that does not exist gives 3, as on every target (the system
// itself says ERROR_DIRECTORY, 267).
SysError createTemporaryFile(const std::string& directory, const std::string& prefix,
                             std::string& path) {
    path.clear();
    if (SysError e = injectedFault(kFaultCreate)) return e;
    std::string dir = directory.empty() ? "." : directory;
    // GetTempFileNameA adds its own backslash; a trailing one of any kind would double.
    while (dir.size() > 1 && isSeparator(dir.back()) && dir[dir.size() - 2] != ':') dir.pop_back();
    if (dir.size() > MAX_PATH - 14) return kFilenameTooLong;
    char buffer[MAX_PATH + 1];
    if (GetTempFileNameA(dir.c_str(), prefix.substr(0, 3).c_str(), 0, buffer) == 0) {
        SysError e = lastError();
        return e == ERROR_DIRECTORY ? kPathNotFound : e;
    }
    path = buffer;
    return kOk;
}

}  // namespace platform
