// DirSearch: a directory read in readdir order, filtered by a wildcard pattern.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "platform/posix/file_info.h"
#include "platform/posix/wildcards.h"

namespace platform {

struct DirSearch::State {
    DIR* dir = nullptr;
    std::string wildcard;
    ~State() {
        if (dir) closedir(dir);
    }
};

namespace {

// Fills entry from the directory entry called name; false when it vanished meanwhile.
bool describe(DIR* dir, const char* name, DirEntry& entry) {
    struct stat st;
    int fd = dirfd(dir);
    // A link is described by what it points to; a dangling one by the link itself.
    if (fstatat(fd, name, &st, 0) != 0 && fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    entry.name = name;
    entry.shortName.clear();
    entry.attributes = posix::attributesOf(entry.name, st);
    entry.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    entry.lastWrite = posix::systemTimeOf(st.st_mtim);
    return true;
}

// The next matching entry, or kNoMoreFiles.
SysError nextMatch(DIR* dir, const std::string& wildcard, DirEntry& entry) {
    for (;;) {
        errno = 0;
        struct dirent* d = readdir(dir);
        if (!d) return errno ? posix::lastSysError() : kNoMoreFiles;
        if (posix::wildcardMatch(wildcard, d->d_name) && describe(dir, d->d_name, entry))
            return kOk;
    }
}

}  // namespace

DirSearch::~DirSearch() { close(); }

SysError DirSearch::first(const std::string& pattern, DirEntry& entry) {
    close();
    size_t slash = pattern.rfind('/');
    std::string directory = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
    std::string wildcard = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    auto state = std::make_unique<State>();
    state->wildcard = wildcard;
    state->dir = opendir(directory.c_str());
    if (!state->dir)
        return errno == ENOENT || errno == ENOTDIR ? kPathNotFound : posix::lastSysError();
    state_ = state.release();
    SysError e = wildcard.empty() ? kNoMoreFiles : nextMatch(state_->dir, wildcard, entry);
    if (e == kNoMoreFiles) e = kFileNotFound;
    if (e != kOk) close();
    return e;
}

SysError DirSearch::next(DirEntry& entry) {
    if (!state_) return kInvalidHandle;
    return nextMatch(state_->dir, state_->wildcard, entry);
}

void DirSearch::close() {
    delete state_;
    state_ = nullptr;
}

bool DirSearch::isOpen() const { return state_ != nullptr; }

}  // namespace platform
