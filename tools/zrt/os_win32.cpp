#if defined(_WIN32)

#include "os.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <io.h>

#include <cstdlib>
#include <iostream>

namespace zrt::host::os {

namespace {

// The system's message for its last error, without the line break it ends with.
std::string lastError() {
    DWORD code = GetLastError();
    char text[512] = {};
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ')) --n;
    return n ? std::string(text, n) : "error " + std::to_string(code);
}

// Classic handles are kernel handles cut to 32 bits, as _lopen gives them.
int32_t opened(HANDLE h, std::string& error) {
    if (h == INVALID_HANDLE_VALUE) {
        error = lastError();
        return -1;
    }
    return HandleToLong(h);
}

}  // namespace

int32_t openHandle(const std::string& path, uint32_t mode, std::string& error) {
    DWORD access = (mode & 3) == 1 ? GENERIC_WRITE
                   : (mode & 3) == 2 ? GENERIC_READ | GENERIC_WRITE
                                     : GENERIC_READ;
    return opened(CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                  error);
}

int32_t createHandle(const std::string& path, std::string& error) {
    return opened(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr),
                  error);
}

int64_t readHandle(int32_t handle, uint32_t count, std::string& bytes, std::string& error) {
    bytes.assign(count, '\0');
    DWORD got = 0;
    if (!ReadFile(LongToHandle(handle), bytes.data(), count, &got, nullptr)) {
        error = lastError();
        bytes.clear();
        return -1;
    }
    bytes.resize(got);
    return got;
}

int64_t seekHandle(int32_t handle, int64_t offset, int origin, std::string& error) {
    DWORD method = origin == 1 ? FILE_CURRENT : origin == 2 ? FILE_END : FILE_BEGIN;
    LARGE_INTEGER distance, at;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(LongToHandle(handle), distance, &at, method)) {
        error = lastError();
        return -1;
    }
    return at.QuadPart;
}

bool closeHandle(int32_t handle, std::string& error) {
    if (CloseHandle(LongToHandle(handle))) return true;
    error = lastError();
    return false;
}

bool setEnvironment(const std::string& name, const std::string& value, std::string& error) {
    if (_putenv_s(name.c_str(), value.c_str()) == 0) return true;
    error = "cannot set " + name;
    return false;
}

bool unsetEnvironment(const std::string& name, std::string& error) {
    if (_putenv_s(name.c_str(), "") == 0) return true;
    error = "cannot unset " + name;
    return false;
}

bool inputIsTerminal() { return _isatty(0) != 0; }

// The console keeps its own line editing and history (F7); the line is read plainly.
bool readLine(const std::string& prompt, std::string& line) {
    std::cout << prompt << std::flush;
    return static_cast<bool>(std::getline(std::cin, line));
}

std::string executablePath() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return n > 0 && n < sizeof path ? std::string(path, n) : "";
}

}  // namespace zrt::host::os

#endif
