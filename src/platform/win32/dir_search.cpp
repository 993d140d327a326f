// DirSearch: FindFirstFileA and FindNextFileA, in the file system's order, with the 8.3 names
// the file system keeps.
#include <memory>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform {

struct DirSearch::State {
    HANDLE find = INVALID_HANDLE_VALUE;
    bool ended = false;
    ~State() {
        if (find != INVALID_HANDLE_VALUE) FindClose(find);
    }
};

namespace {

void describe(const WIN32_FIND_DATAA& found, DirEntry& entry) {
    entry.name = found.cFileName;
    entry.shortName = found.cAlternateFileName;
    entry.attributes = found.dwFileAttributes;
    entry.size = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                     ? 0
                     : (static_cast<uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    SYSTEMTIME t{};
    FileTimeToSystemTime(&found.ftLastWriteTime, &t);
    entry.lastWrite = {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay,
                       t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

}  // namespace

DirSearch::~DirSearch() { close(); }

// FindFirstFileA gives 3 for a missing directory and 2 when nothing matches; an empty
// pattern matches nothing.
SysError DirSearch::first(const std::string& pattern, DirEntry& entry) {
    close();
    if (pattern.empty()) return kFileNotFound;
    auto state = std::make_unique<State>();
    WIN32_FIND_DATAA found;
    state->find = FindFirstFileA(pattern.c_str(), &found);
    if (state->find == INVALID_HANDLE_VALUE) return win32::lastError();
    describe(found, entry);
    state_ = state.release();
    return kOk;
}

// After the last entry every call gives 18.
SysError DirSearch::next(DirEntry& entry) {
    if (!state_) return kInvalidHandle;
    if (state_->ended) return kNoMoreFiles;
    WIN32_FIND_DATAA found;
    if (!FindNextFileA(state_->find, &found)) {
        SysError e = win32::lastError();
        if (e == kNoMoreFiles) state_->ended = true;
        return e;
    }
    describe(found, entry);
    return kOk;
}

void DirSearch::close() {
    delete state_;
    state_ = nullptr;
}

bool DirSearch::isOpen() const { return state_ != nullptr; }

}  // namespace platform
