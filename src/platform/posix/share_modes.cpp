// Share modes.
//
// On Windows every open of a file states its access (read, write) and its share mode, which
// says what other opens may do meanwhile; an open whose access the others deny, or which
// denies an access that another open already has, fails with a sharing violation (32). A file
// that some process holds open cannot be deleted or moved (32 again). Legacy locking depends on
// all of it: a process holds its per-user file open with share mode none for as long as it is
// logged in, and others tell live users from dead ones by trying to open that file.
//
// Here every open holds shared open-file-description locks (F_OFD_SETLK) on single bytes far
// beyond any real data, at kBase and up:
//
//   kBase + 0  gate          taken while an open checks and takes its bytes, then released
//   kBase + 1  open          held by every open
//   kBase + 2  reads         held by an open with read access
//   kBase + 3  writes        held by an open with write access
//   kBase + 4  denies read   held by an open whose share mode lacks read
//   kBase + 5  denies write  held by an open whose share mode lacks write
//
// An open takes the gate, takes its own bytes, then probes (F_OFD_GETLK) the bytes of other
// holders that would conflict: its reads against "denies read", its writes against "denies
// write", its denials against "reads" and "writes". A conflict drops everything and fails with
// 32. The gate is exclusive for a descriptor open for writing; a read-only descriptor can only
// take shared locks, so read-only opens take the gate shared. Exclusive and shared gates
// exclude each other, and because every open takes its own bytes before it probes, of two
// conflicting read-only opens that run at the same moment at least one sees the other (both
// may fail, where Windows would fail one). The gate is busy only for microseconds: a busy gate
// is retried with short sleeps, for two seconds at most, then the open fails with 32.
//
// A delete or a move takes the gate, probes "open", and unlinks or renames while it still holds
// the gate, so no open can slip in between. An open may have opened the path just before a
// delete removed it: having got the gate, it checks that its descriptor is still the file at
// the path (device and inode) and otherwise opens again.
//
// The locks belong to the open file description, so they are released when the descriptor is
// closed, and when the process ends however it ends: a dead user's per-user file opens again.
// They work between processes on one machine and on network file systems with POSIX locks,
// and conflict between two opens of one process as on Windows. Read permission is needed for
// every open (the shared locks need a readable descriptor), so an open for writing opens the
// file for reading too.
#include "platform/posix/share_modes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/descriptor.h"
#include "platform/posix/errors.h"

namespace platform::posix {

namespace {

constexpr off_t kBase = static_cast<off_t>(1) << 62;
enum LockByte : off_t { kGate, kOpen, kReads, kWrites, kDeniesRead, kDeniesWrite };

// How often an open starts again when the path changed under it before it got the gate.
constexpr int kReopens = 8;
constexpr long kGateWaitNs = 2000L * 1000 * 1000;

// What an open holds and what it must not meet.
struct Claim {
    bool reads, writes, deniesRead, deniesWrite;
};

Claim claimOf(uint32_t access, uint32_t share) {
    return {(access & kRead) != 0, (access & kWrite) != 0, (share & kShareRead) == 0,
            (share & kShareWrite) == 0};
}

struct flock lockRequest(LockByte byte, short type) {
    struct flock request {};  // l_pid must be 0 for the OFD commands
    request.l_type = type;
    request.l_whence = SEEK_SET;
    request.l_start = kBase + byte;
    request.l_len = 1;
    return request;
}

// Takes or drops (F_UNLCK) a lock on one byte without waiting; errno tells a refusal.
bool setLock(int fd, LockByte byte, short type) {
    struct flock request = lockRequest(byte, type);
    while (fcntl(fd, F_OFD_SETLK, &request) != 0)
        if (errno != EINTR) return false;
    return true;
}

// Whether another open file description holds a lock on byte.
SysError heldByOthers(int fd, LockByte byte, bool& held) {
    struct flock request = lockRequest(byte, F_WRLCK);
    while (fcntl(fd, F_OFD_GETLK, &request) != 0)
        if (errno != EINTR) return lastSysError();
    held = request.l_type != F_UNLCK;
    return kOk;
}

SysError takeGate(int fd, bool exclusive) {
    long pauseNs = 20 * 1000, waitedNs = 0;
    while (!setLock(fd, kGate, exclusive ? F_WRLCK : F_RDLCK)) {
        if (errno != EAGAIN && errno != EACCES) return lastSysError();
        if (waitedNs >= kGateWaitNs) return kSharingViolation;
        struct timespec pause = {0, pauseNs};
        nanosleep(&pause, nullptr);
        waitedNs += pauseNs;
        pauseNs = pauseNs < 5 * 1000 * 1000 ? pauseNs * 2 : pauseNs;
    }
    return kOk;
}

SysError holdClaim(int fd, const Claim& claim) {
    struct {
        bool wanted;
        LockByte byte;
    } const bytes[] = {{true, kOpen},
                       {claim.reads, kReads},
                       {claim.writes, kWrites},
                       {claim.deniesRead, kDeniesRead},
                       {claim.deniesWrite, kDeniesWrite}};
    for (const auto& b : bytes)
        if (b.wanted && !setLock(fd, b.byte, F_RDLCK)) return lastSysError();
    return kOk;
}

// kSharingViolation when an open of another description conflicts with claim.
SysError probeConflicts(int fd, const Claim& claim) {
    struct {
        bool mine;
        LockByte theirs;
    } const tests[] = {{claim.reads, kDeniesRead},
                       {claim.writes, kDeniesWrite},
                       {claim.deniesRead, kReads},
                       {claim.deniesWrite, kWrites}};
    for (const auto& t : tests) {
        if (!t.mine) continue;
        bool held = false;
        if (SysError e = heldByOthers(fd, t.theirs, held)) return e;
        if (held) return kSharingViolation;
    }
    return kOk;
}

// Whether fd is still the file that path names.
bool stillAtPath(int fd, const std::string& path) {
    struct stat mine, there;
    return fstat(fd, &mine) == 0 && stat(path.c_str(), &there) == 0 &&
           mine.st_dev == there.st_dev && mine.st_ino == there.st_ino;
}

// The open flags of a disposition; emptying waits until the share modes allowed the open.
int openFlags(uint32_t access, Disposition disposition) {
    int flags = O_CLOEXEC | O_NOCTTY | ((access & kWrite) ? O_RDWR : O_RDONLY);
    switch (disposition) {
    case Disposition::CreateNew: return flags | O_CREAT | O_EXCL;
    case Disposition::CreateAlways: return flags | O_CREAT | O_RDWR;
    case Disposition::OpenExisting: return flags;
    case Disposition::OpenAlways: return flags | O_CREAT;
    case Disposition::TruncateExisting: return flags;
    }
    return flags;
}

bool empties(Disposition disposition) {
    return disposition == Disposition::CreateAlways ||
           disposition == Disposition::TruncateExisting;
}

// One attempt; reopen is set when the path named another file by the time the gate was ours.
SysError openOnce(const std::string& path, uint32_t access, const Claim& claim,
                  Disposition disposition, Descriptor& out, bool& reopen) {
    reopen = false;
    int flags = openFlags(access, disposition);
    Descriptor fd(::open(path.c_str(), flags, 0666));
    if (!fd.valid()) return errno == EEXIST ? kFileExists : pathErrorOf(errno, path);
    struct stat st;
    if (fstat(fd.get(), &st) != 0) return lastSysError();
    if (S_ISDIR(st.st_mode)) return kAccessDenied;
    if (SysError e = takeGate(fd.get(), (flags & O_ACCMODE) == O_RDWR)) return e;
    if (!stillAtPath(fd.get(), path)) {
        reopen = true;
        return kOk;
    }
    if (SysError e = holdClaim(fd.get(), claim)) return e;
    if (SysError e = probeConflicts(fd.get(), claim)) return e;
    if (empties(disposition)) {
        while (ftruncate(fd.get(), 0) != 0)
            if (errno != EINTR) return lastSysError();
    }
    if (!setLock(fd.get(), kGate, F_UNLCK)) return lastSysError();
    out = std::move(fd);
    return kOk;
}

}  // namespace

SysError openShared(const std::string& path, uint32_t access, uint32_t share,
                    Disposition disposition, int& fd) {
    fd = -1;
    if (access > kReadWrite || share > kShareReadWrite) return kInvalidParameter;
    // Windows empties an existing file only for an open that may write.
    if (disposition == Disposition::TruncateExisting && !(access & kWrite))
        return kInvalidParameter;
    Claim claim = claimOf(access, share);
    for (int attempt = 0; attempt < kReopens; ++attempt) {
        Descriptor opened;
        bool reopen = false;
        if (SysError e = openOnce(path, access, claim, disposition, opened, reopen)) return e;
        if (!reopen) {
            fd = opened.release();
            return kOk;
        }
    }
    return kSharingViolation;
}

SysError whenNotOpen(const std::string& path, const std::function<SysError()>& action) {
    for (int attempt = 0; attempt < kReopens; ++attempt) {
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return action();
        bool writable = true;
        Descriptor fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY));
        if (!fd.valid() && (errno == EACCES || errno == EPERM || errno == EROFS)) {
            writable = false;
            fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
        }
        // A file that cannot be opened at all cannot show its locks either.
        if (!fd.valid()) return action();
        if (SysError e = takeGate(fd.get(), writable)) return e;
        if (!stillAtPath(fd.get(), path)) continue;
        bool held = false;
        if (SysError e = heldByOthers(fd.get(), kOpen, held)) return e;
        if (held) return kSharingViolation;
        return action();  // the gate is released when fd closes, after the action
    }
    return kSharingViolation;
}

}  // namespace platform::posix
