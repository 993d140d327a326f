#include "platform/posix/share_modes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/errors.h"

namespace platform::posix {

namespace {

int openFlags(uint32_t access, Disposition disposition) {
    int flags = O_CLOEXEC | O_NOCTTY;
    flags |= (access & kWrite) ? ((access & kRead) ? O_RDWR : O_WRONLY) : O_RDONLY;
    switch (disposition) {
    case Disposition::CreateNew: return flags | O_CREAT | O_EXCL;
    case Disposition::CreateAlways: return flags | O_CREAT | O_TRUNC;
    case Disposition::OpenExisting: return flags;
    case Disposition::OpenAlways: return flags | O_CREAT;
    case Disposition::TruncateExisting: return flags | O_TRUNC;
    }
    return flags;
}

}  // namespace

SysError openShared(const std::string& path, uint32_t access, uint32_t share,
                    Disposition disposition, int& fd) {
    fd = -1;
    if (access > kReadWrite || share > kShareReadWrite) return kInvalidParameter;
    int f = ::open(path.c_str(), openFlags(access, disposition), 0666);
    if (f < 0) return errno == EEXIST ? kFileExists : pathErrorOf(errno, path);
    struct stat st;
    if (fstat(f, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(f);
        return kAccessDenied;
    }
    fd = f;
    return kOk;
}

SysError whenNotOpen(const std::string&, const std::function<SysError()>& action) {
    return action();
}

}  // namespace platform::posix
