// Operations on paths: delete, move, copy, attributes, working and temporary directories.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/errors.h"
#include "platform/posix/file_info.h"
#include "platform/posix/share_modes.h"

namespace platform {

using posix::lastSysError;
using posix::pathErrorOf;

namespace {

// rename that refuses to replace: 183 when newPath exists, 17 across file systems.
SysError renameNoReplace(const std::string& oldPath, const std::string& newPath) {
    if (::renameat2(AT_FDCWD, oldPath.c_str(), AT_FDCWD, newPath.c_str(), RENAME_NOREPLACE) == 0)
        return kOk;
    if (errno == EINVAL) {
        // A file system without RENAME_NOREPLACE: test first, then rename.
        struct stat st;
        if (lstat(newPath.c_str(), &st) == 0) return kAlreadyExists;
        if (::rename(oldPath.c_str(), newPath.c_str()) == 0) return kOk;
    }
    if (errno == EEXIST || errno == ENOTEMPTY) return kAlreadyExists;
    return pathErrorOf(errno, newPath);
}

// Copies the bytes of one open file to another.
SysError copyContent(File& from, File& to) {
    std::vector<uint8_t> buffer(1 << 16);
    for (;;) {
        uint32_t got = 0, put = 0;
        if (SysError e = from.read(buffer.data(), static_cast<uint32_t>(buffer.size()), got))
            return e;
        if (got == 0) return kOk;
        if (SysError e = to.write(buffer.data(), got, put)) return e;
    }
}

// Gives the copy the source's permission bits and last-write time, as CopyFile carries the
// attributes and times over.
void copyMetadata(const struct stat& source, const File& to) {
    int fd = static_cast<int>(to.native());
    struct timespec times[2] = {source.st_atim, source.st_mtim};
    ::futimens(fd, times);
    ::fchmod(fd, source.st_mode & 0777);
}

}  // namespace

// Windows refuses to delete a directory (5) or a read-only file (5).
SysError deleteFile(const std::string& path) {
    if (SysError e = injectedFault(kFaultDelete)) return e;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return pathErrorOf(errno, path);
    if (S_ISDIR(st.st_mode)) return kAccessDenied;
    if (S_ISREG(st.st_mode) && !(st.st_mode & S_IWUSR)) return kAccessDenied;
    return posix::whenNotOpen(path, [&]() -> SysError {
        if (::unlink(path.c_str()) != 0) return pathErrorOf(errno, path);
        return kOk;
    });
}

// A move onto the file's own name, however spelled, succeeds and changes nothing, as on
// Windows; an open file refuses it all the same.
SysError moveFile(const std::string& oldPath, const std::string& newPath) {
    if (SysError e = injectedFault(kFaultRename)) return e;
    struct stat st, target;
    if (lstat(oldPath.c_str(), &st) != 0) return pathErrorOf(errno, oldPath);
    bool itself = lstat(newPath.c_str(), &target) == 0 && target.st_dev == st.st_dev &&
                  target.st_ino == st.st_ino;
    return posix::whenNotOpen(oldPath, [&]() -> SysError {
        return itself ? kOk : renameNoReplace(oldPath, newPath);
    });
}

// rename replaces its target atomically; the share-mode checks of both files come first.
SysError replaceFile(const std::string& oldPath, const std::string& newPath) {
    if (SysError e = injectedFault(kFaultRename)) return e;
    auto replace = [&]() -> SysError {
        if (::rename(oldPath.c_str(), newPath.c_str()) != 0) return pathErrorOf(errno, newPath);
        return kOk;
    };
    return posix::whenNotOpen(oldPath, [&]() -> SysError {
        SysError e = posix::whenNotOpen(newPath, replace);
        return e == kFileNotFound ? replace() : e;  // nothing to replace
    });
}

SysError copyFile(const std::string& from, const std::string& to, bool failIfExists) {
    struct stat source, target;
    if (stat(from.c_str(), &source) != 0) return pathErrorOf(errno, from);
    if (S_ISDIR(source.st_mode)) return kAccessDenied;
    if (stat(to.c_str(), &target) == 0) {
        if (failIfExists) return kFileExists;
        // Copying a file onto itself would empty it before reading it.
        if (source.st_dev == target.st_dev && source.st_ino == target.st_ino)
            return kSharingViolation;
        // Windows does not overwrite a read-only file.
        if (!(target.st_mode & S_IWUSR)) return kAccessDenied;
    }
    File in, out;
    if (SysError e = File::open(from, kRead, kShareReadWrite, Disposition::OpenExisting, in))
        return e;
    Disposition d = failIfExists ? Disposition::CreateNew : Disposition::CreateAlways;
    if (SysError e = File::open(to, kWrite, kShareReadWrite, d, out)) return e;
    SysError e = copyContent(in, out);
    if (e == kOk) copyMetadata(source, out);
    SysError closed = out.close();
    if (e == kOk) e = closed;
    // Like CopyFile, leave no half copy behind.
    if (e != kOk) ::unlink(to.c_str());
    return e;
}

SysError fileAttributes(const std::string& path, uint32_t& attributes) {
    attributes = 0;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return pathErrorOf(errno, path);
    attributes = posix::attributesOf(posix::lastComponent(path), st);
    return kOk;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

SysError currentDirectory(std::string& out) {
    out.clear();
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return lastSysError();
        buffer.resize(buffer.size() * 2);
    }
    out = buffer.data();
    return kOk;
}

SysError changeDirectory(const std::string& path) {
    if (::chdir(path.c_str()) != 0) return pathErrorOf(errno, path);
    return kOk;
}

SysError temporaryDirectory(std::string& out) {
    const char* dir = std::getenv("TMPDIR");
    out = dir && *dir ? dir : "/tmp";
    if (out.back() != '/') out += '/';
    return kOk;
}

// GetTempFileName with a unique number of 0: four hex digits, starting from a number drawn
// from the clock and the process id and counting up past names that exist.
SysError createTemporaryFile(const std::string& directory, const std::string& prefix,
                             std::string& path) {
    path.clear();
    if (SysError e = injectedFault(kFaultCreate)) return e;
    std::string base = directory;
    if (!base.empty() && base.back() != '/') base += '/';
    base += prefix.substr(0, 3);
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    uint32_t start = static_cast<uint32_t>(now.tv_nsec / 1000) ^ static_cast<uint32_t>(getpid());
    for (uint32_t k = 0; k < 0xFFFF; ++k) {
        uint32_t unique = (start + k) % 0xFFFF + 1;  // never 0, as Windows
        char name[16];
        std::snprintf(name, sizeof name, "%04X.TMP", unique);
        std::string candidate = base + name;
        int fd = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            path = candidate;
            return kOk;
        }
        if (errno != EEXIST) return pathErrorOf(errno, candidate);
    }
    return kFileExists;
}

}  // namespace platform
