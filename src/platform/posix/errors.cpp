#include "platform/posix/errors.h"

#include <sys/stat.h>

#include <cerrno>

namespace platform::posix {

namespace {

// Windows numbers that only this mapping produces.
constexpr SysError kGenFailure = 31;
constexpr SysError kNotSupported = 50;
constexpr SysError kSeekOnDevice = 132;
constexpr SysError kBusy = 170;
constexpr SysError kFileTooLarge = 223;
constexpr SysError kNoAccess = 998;  // an invalid buffer address
constexpr SysError kIoDevice = 1117;
constexpr SysError kCantResolveFilename = 1921;

// The directory part of path: everything before the last '/', "." when there is none.
std::string directoryOf(const std::string& path) {
    size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) return "/";
    size_t slash = path.rfind('/', end);
    if (slash == std::string::npos) return ".";
    size_t keep = path.find_last_not_of('/', slash);
    return keep == std::string::npos ? "/" : path.substr(0, keep + 1);
}

}  // namespace

SysError sysErrorOf(int error) {
    switch (error) {
    case 0: return kOk;
    case ENOENT: return kFileNotFound;
    case ENOTDIR: return kPathNotFound;
    case EMFILE:
    case ENFILE: return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY: return kAccessDenied;
    case EBADF: return kInvalidHandle;
    case ENOMEM: return kNotEnoughMemory;
    case EXDEV: return kNotSameDevice;
    case EEXIST: return kFileExists;
    case EINVAL: return kInvalidParameter;
    case ENOSPC:
    case EDQUOT: return kDiskFull;
    case ENAMETOOLONG: return kFilenameTooLong;
    case ENOTEMPTY: return kDirNotEmpty;
    case ENOLCK: return kNoSystemResources;
    case EAGAIN: return kLockViolation;
    case EOPNOTSUPP: return kNotSupported;
    case ESPIPE: return kSeekOnDevice;
    case EBUSY: return kBusy;
    case EFBIG:
    case EOVERFLOW: return kFileTooLarge;
    case EFAULT: return kNoAccess;
    case EIO: return kIoDevice;
    case ELOOP: return kCantResolveFilename;
    default: return kGenFailure;
    }
}

SysError pathErrorOf(int error, const std::string& path) {
    if (error != ENOENT) return sysErrorOf(error);
    if (path.empty()) return kPathNotFound;
    struct stat st;
    if (stat(directoryOf(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return kFileNotFound;
    return kPathNotFound;
}

SysError lastSysError() { return sysErrorOf(errno); }

}  // namespace platform::posix
