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

// Sets of lock bytes: bit n stands for kBase + n.
using ByteSet = unsigned;
constexpr ByteSet bit(LockByte b) { return 1u << b; }

// What an open holds, and whose holders it must not meet.
struct Claim {
    ByteSet holds, probes;
};

Claim claimOf(uint32_t access, uint32_t share) {
    // Each access I take meets the holders that deny it, each access I deny its holders.
    struct {
        bool mine;
        LockByte held, probed;
    } const parts[] = {{(access & kRead) != 0, kReads, kDeniesRead},
                       {(access & kWrite) != 0, kWrites, kDeniesWrite},
                       {(share & kShareRead) == 0, kDeniesRead, kReads},
                       {(share & kShareWrite) == 0, kDeniesWrite, kWrites}};
    Claim c{bit(kOpen), 0};
    for (const auto& p : parts) {
        if (!p.mine) continue;
        c.holds |= bit(p.held);
        c.probes |= bit(p.probed);
    }
    return c;
}

// Calls f(first byte, count) for each run of neighbouring bytes of set, so that one lock call
// covers a run; stops at the first failure.
template <class F>
SysError forEachRun(ByteSet set, F f) {
    for (off_t b = 0; set >> b; ++b) {
        if (!((set >> b) & 1)) continue;
        off_t end = b;
        while ((set >> end) & 1) ++end;
        if (SysError e = f(b, end - b)) return e;
        b = end;
    }
    return kOk;
}

struct flock lockRequest(off_t byte, off_t count, short type) {
    struct flock request {};  // l_pid must be 0 for the OFD commands
    request.l_type = type;
    request.l_whence = SEEK_SET;
    request.l_start = kBase + byte;
    request.l_len = count;
    return request;
}

// Takes or drops (F_UNLCK) locks without waiting; errno tells a refusal.
bool setLock(int fd, off_t byte, off_t count, short type) {
    struct flock request = lockRequest(byte, count, type);
    while (fcntl(fd, F_OFD_SETLK, &request) != 0)
        if (errno != EINTR) return false;
    return true;
}

// Whether another open file description holds a lock on one of the bytes.
SysError heldByOthers(int fd, off_t byte, off_t count, bool& held) {
    struct flock request = lockRequest(byte, count, F_WRLCK);
    while (fcntl(fd, F_OFD_GETLK, &request) != 0)
        if (errno != EINTR) return lastSysError();
    held = request.l_type != F_UNLCK;
    return kOk;
}

SysError takeGate(int fd, bool exclusive) {
    long pauseNs = 20 * 1000, waitedNs = 0;
    while (!setLock(fd, kGate, 1, exclusive ? F_WRLCK : F_RDLCK)) {
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
    return forEachRun(claim.holds, [fd](off_t byte, off_t count) -> SysError {
        return setLock(fd, byte, count, F_RDLCK) ? kOk : lastSysError();
    });
}

// kSharingViolation when an open of another description conflicts with claim.
SysError probeConflicts(int fd, const Claim& claim) {
    return forEachRun(claim.probes, [fd](off_t byte, off_t count) -> SysError {
        bool held = false;
        if (SysError e = heldByOthers(fd, byte, count, held)) return e;
        return held ? kSharingViolation : kOk;
    });
}

// Whether the file with status mine is still the one that path names.
bool stillAtPath(const struct stat& mine, const std::string& path) {
    struct stat there;
    return stat(path.c_str(), &there) == 0 && mine.st_dev == there.st_dev &&
           mine.st_ino == there.st_ino;
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
    // Without O_NONBLOCK a pipe would wait here for a partner, for ever.
    Descriptor fd(::open(path.c_str(), flags | O_NONBLOCK, 0666));
    if (!fd.valid()) return errno == EEXIST ? kFileExists : pathErrorOf(errno, path);
    struct stat st;
    if (fstat(fd.get(), &st) != 0) return lastSysError();
    if (S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) return kAccessDenied;
    if (fcntl(fd.get(), F_SETFL, 0) != 0) return lastSysError();  // O_NONBLOCK was the only one
    if (SysError e = takeGate(fd.get(), (flags & O_ACCMODE) == O_RDWR)) return e;
    if (!stillAtPath(st, path)) {
        reopen = true;
        return kOk;
    }
    if (SysError e = holdClaim(fd.get(), claim)) return e;
    if (SysError e = probeConflicts(fd.get(), claim)) return e;
    if (empties(disposition)) {
        while (ftruncate(fd.get(), 0) != 0)
            if (errno != EINTR) return lastSysError();
    }
    if (!setLock(fd.get(), kGate, 1, F_UNLCK)) return lastSysError();
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
        // A missing file is reported, never acted on: the action would then reach, unchecked,
        // a file that another process made and opened since.
        if (lstat(path.c_str(), &st) != 0) return pathErrorOf(errno, path);
        if (!S_ISREG(st.st_mode)) return action();
        bool writable = true;
        Descriptor fd(::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        if (!fd.valid() && (errno == EACCES || errno == EPERM || errno == EROFS)) {
            writable = false;
            fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        }
        if (!fd.valid() && errno == ENOENT) continue;  // gone since lstat: look again
        // A file that cannot be opened at all cannot show its locks either.
        if (!fd.valid()) return action();
        if (SysError e = takeGate(fd.get(), writable)) return e;
        if (fstat(fd.get(), &st) != 0) return lastSysError();
        if (!stillAtPath(st, path)) continue;
        bool held = false;
        if (SysError e = heldByOthers(fd.get(), kOpen, 1, held)) return e;
        if (held) return kSharingViolation;
        return action();  // the gate is released when fd closes, after the action
    }
    return kSharingViolation;
}

}  // namespace platform::posix
