// Setting up file attributes and times for tests, on POSIX and on Windows.
#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <string>

#include "support/test_support.h"

namespace zrt::test {

#ifdef _WIN32

namespace {

void addAttributes(const std::string& path, DWORD bits) {
    DWORD a = GetFileAttributesA(path.c_str());
    if (a != INVALID_FILE_ATTRIBUTES) SetFileAttributesA(path.c_str(), a | bits);
}

// 100-ns steps since 1601 against seconds since 1970.
constexpr int64_t kEpochDifference = 11644473600LL;

}  // namespace

void makeReadOnly(const std::string& path) { addAttributes(path, FILE_ATTRIBUTE_READONLY); }

void setLastWriteTime(const std::string& path, int64_t seconds, uint32_t nanoseconds) {
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    uint64_t ticks = static_cast<uint64_t>(seconds + kEpochDifference) * 10000000u +
                     nanoseconds / 100;
    FILETIME t{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SetFileTime(h, nullptr, &t, &t);
    CloseHandle(h);
}

int64_t lastWriteSeconds(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    uint64_t ticks = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                     data.ftLastWriteTime.dwLowDateTime;
    return static_cast<int64_t>(ticks / 10000000u) - kEpochDifference;
}

void pauseMicroseconds(unsigned microseconds) { Sleep(microseconds / 1000); }

#else

void makeReadOnly(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) chmod(path.c_str(), st.st_mode & ~0222);
}

void setLastWriteTime(const std::string& path, int64_t seconds, uint32_t nanoseconds) {
    struct timespec times[2] = {{static_cast<time_t>(seconds), static_cast<long>(nanoseconds)},
                                {static_cast<time_t>(seconds), static_cast<long>(nanoseconds)}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

int64_t lastWriteSeconds(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_mtime) : -1;
}

void pauseMicroseconds(unsigned microseconds) { usleep(microseconds); }

#endif

}  // namespace zrt::test
