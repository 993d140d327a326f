// The operating-system layer. Everything the library needs from the system is asked for here,
// named by what it does; nothing outside src/platform/ includes an operating-system header.
//
// Every failure is reported as a Windows system error number, on every target: APL code tests
// these numbers, and return codes and log lines show them. The POSIX implementation maps errno
// and emulates what Linux lacks (share modes, the registry, profile strings); each emulation is
// explained where it is implemented.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A Windows system error number; 0 is success.
using SysError = uint32_t;

enum : SysError {
    kOk = 0,
    kFileNotFound = 2,
    kPathNotFound = 3,
    kTooManyOpenFiles = 4,
    kAccessDenied = 5,
    kInvalidHandle = 6,
    kNotEnoughMemory = 8,
    kInvalidData = 13,
    kNoMoreFiles = 18,
    kNotSameDevice = 17,
    kWriteFault = 29,
    kReadFault = 30,
    kSharingViolation = 32,
    kLockViolation = 33,
    kHandleEof = 38,
    kNotSupported = 50,
    kFileExists = 80,
    kInvalidParameter = 87,
    kDiskFull = 112,
    kInsufficientBuffer = 122,
    kInvalidName = 123,
    kNegativeSeek = 131,
    kDirNotEmpty = 145,
    kAlreadyExists = 183,
    kFilenameTooLong = 206,
    kMoreData = 234,
    kFileInvalid = 1006,    // e.g. mapping an empty file
    kNoSystemResources = 1450,
};

// ---- Files -------------------------------------------------------------------------------

enum Access : uint32_t { kRead = 1, kWrite = 2, kReadWrite = 3 };

// What other opens of the same file may do while this one is open (Windows share modes).
enum Share : uint32_t { kShareNone = 0, kShareRead = 1, kShareWrite = 2, kShareReadWrite = 3 };

enum class Disposition {
    CreateNew,         // fails with 80 when the file exists
    CreateAlways,      // creates, or empties an existing file
    OpenExisting,      // fails with 2 when the file is missing
    OpenAlways,        // opens, or creates a missing file
    TruncateExisting,  // opens an existing file and empties it
};

enum class Whence { Begin, Current, End };

// Two handles reach the same disk file, of the same size, when their identities are equal.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    uint64_t size = 0;
    bool operator==(const FileIdentity&) const = default;
};

// An open file: a handle with a current position. Closed by its destructor.
class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens path with the given access, share mode and disposition. An open that conflicts with
    // the access or share mode of another open of the same file, in this or another process,
    // fails with kSharingViolation.
    [[nodiscard]] static SysError open(const std::string& path, uint32_t access, uint32_t share,
                         Disposition disposition, File& out);

    bool isOpen() const { return handle_ != kNoHandle; }

    // Transfers at the current position, which moves on by the bytes moved. A short count is
    // not an error (end of file); got/put say how many bytes moved.
    [[nodiscard]] SysError read(void* buffer, uint32_t count, uint32_t& got);
    [[nodiscard]] SysError write(const void* buffer, uint32_t count, uint32_t& put);

    // Positioned transfers; the current position is left where it is.
    [[nodiscard]] SysError readAt(uint64_t offset, void* buffer, uint32_t count, uint32_t& got);
    [[nodiscard]] SysError writeAt(uint64_t offset, const void* buffer, uint32_t count, uint32_t& put);

    // Moves the current position; a position before the start fails with kNegativeSeek.
    [[nodiscard]] SysError seek(int64_t offset, Whence whence, uint64_t* newPosition = nullptr);
    [[nodiscard]] SysError size(uint64_t& out) const;
    // Which disk file this handle reaches (volume and file number) and its size now.
    [[nodiscard]] SysError identity(FileIdentity& out) const;
    // Makes the current position the end of the file (truncating or extending it).
    [[nodiscard]] SysError setEnd();
    // Closes now and reports the outcome; the destructor closes silently.
    SysError close();

    // The native handle (a file descriptor on POSIX, a HANDLE on Windows), for diagnostics.
    intptr_t native() const { return handle_; }

private:
    static constexpr intptr_t kNoHandle = -1;
    intptr_t handle_ = kNoHandle;
};

// A read-write (or read-only) view of an open file, whole or a part of it. Unmapped by its
// destructor; the view stays valid after the file's handle is closed.
class Mapping {
public:
    Mapping() = default;
    ~Mapping();
    Mapping(Mapping&& other) noexcept;
    Mapping& operator=(Mapping&& other) noexcept;
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;

    // Maps the whole file as it is now. An empty file cannot be mapped (kFileInvalid).
    [[nodiscard]] static SysError map(const File& file, bool writable, Mapping& out);
    // Maps length bytes from offset (length above 0); data() is the byte at offset. The bytes
    // must lie inside the file (else kInvalidParameter).
    [[nodiscard]] static SysError mapPart(const File& file, bool writable, uint64_t offset, uint64_t length,
                            Mapping& out);

    uint8_t* data() const { return data_; }
    uint64_t size() const { return size_; }
    bool isMapped() const { return data_ != nullptr; }
    void unmap();

    // Whether a view may stay after the call that made it without changing what other
    // processes can do to the file. Windows refuses to truncate or delete a file while a view
    // of it exists; POSIX does not care.
    static constexpr bool kOutlivesCalls =
#if defined(_WIN32)
        false;
#else
        true;
#endif

private:
    uint8_t* data_ = nullptr;
    uint64_t size_ = 0;
    uint8_t* base_ = nullptr;  // where the view begins (data_ less the alignment of a part)
    uint64_t length_ = 0;
};

// Tells the system that a large block of memory is best backed by large pages, so that
// filling it takes fewer page faults; a hint that may be ignored.
void adviseLargePages(void* p, size_t bytes);

// ---- Paths -------------------------------------------------------------------------------

// Windows attribute bits, as GetFileAttributes reports them.
enum : uint32_t {
    kAttrReadOnly = 0x01,
    kAttrHidden = 0x02,   // POSIX: the name starts with a dot
    kAttrSystem = 0x04,
    kAttrDirectory = 0x10,
    kAttrArchive = 0x20,
    kAttrNormal = 0x80,
};

// Deleting or moving a file that some process holds open fails with kSharingViolation.
SysError deleteFile(const std::string& path);
// Fails with kAlreadyExists when newPath exists; does not move across volumes (kNotSameDevice).
[[nodiscard]] SysError moveFile(const std::string& oldPath, const std::string& newPath);
// Puts oldPath in the place of newPath in one step, replacing the file there: no moment
// without a file at newPath, and a failure leaves both files as they were. Either file open
// anywhere refuses it (kSharingViolation on POSIX; Windows says 5 or 32).
[[nodiscard]] SysError replaceFile(const std::string& oldPath, const std::string& newPath);
[[nodiscard]] SysError copyFile(const std::string& from, const std::string& to, bool failIfExists);
[[nodiscard]] SysError fileAttributes(const std::string& path, uint32_t& attributes);
bool fileExists(const std::string& path);

// Whether the file system of directory (empty: the current one) keeps the byte-range locks
// that share modes rest on (POSIX) between every process that uses its files, as far as its
// mount says: kNotSupported when the mount keeps them on this machine only. Windows keeps share
// modes in the file system itself: always kOk.
[[nodiscard]] SysError checkFileLocks(const std::string& directory);

[[nodiscard]] SysError currentDirectory(std::string& out);
[[nodiscard]] SysError changeDirectory(const std::string& path);

// The directory for temporary files, with a trailing separator ($TMPDIR, else /tmp/).
[[nodiscard]] SysError temporaryDirectory(std::string& out);
// Creates a new empty file named directory + prefix (at most 3 characters) + a unique hex
// number + ".TMP", as GetTempFileName does, and returns its path.
[[nodiscard]] SysError createTemporaryFile(const std::string& directory, const std::string& prefix,
                             std::string& path);

// ---- Classic file handles ------------------------------------------------------------------
// The 16-bit-style handles that the interpreter's own file functions use and that some exports
// read from or hand back. A handle is a 32-bit number; kClassicError marks a failure.

using ClassicHandle = int32_t;
constexpr ClassicHandle kClassicError = -1;

enum : uint32_t {
    kOfRead = 0x00,
    kOfWrite = 0x01,
    kOfReadWrite = 0x02,
    kOfShareExclusive = 0x10,
    kOfShareDenyWrite = 0x20,
    kOfShareDenyRead = 0x30,
    kOfShareDenyNone = 0x40,
};

ClassicHandle classicOpen(const std::string& path, uint32_t mode);
// Creates or empties the file, open for reading and writing.
ClassicHandle classicCreate(const std::string& path);
// Bytes moved, or -1.
int32_t classicRead(ClassicHandle handle, void* buffer, uint32_t count);
int32_t classicWrite(ClassicHandle handle, const void* buffer, uint32_t count);
// origin 0 start, 1 current, 2 end; the new position, or -1.
int32_t classicSeek(ClassicHandle handle, int32_t offset, int origin);
// 0, or -1.
int32_t classicClose(ClassicHandle handle);
// The system error of the last failed classic call.
[[nodiscard]] SysError classicLastError();

// ---- Directory search -----------------------------------------------------------------------

struct SystemTime {
    uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};

struct DirEntry {
    std::string name;
    std::string shortName;  // the 8.3 name, or empty when there is none (always on POSIX)
    uint32_t attributes = 0;
    uint64_t size = 0;
    SystemTime lastWrite{};  // UTC
};

// One search over a directory with the wildcards * and ?, in the file system's order.
// The pattern's last component holds the wildcards; matching ignores case, as on Windows.
class DirSearch {
public:
    DirSearch() = default;
    ~DirSearch();
    DirSearch(const DirSearch&) = delete;
    DirSearch& operator=(const DirSearch&) = delete;

    // The first entry; kFileNotFound when nothing matches, kPathNotFound for a bad directory.
    [[nodiscard]] SysError first(const std::string& pattern, DirEntry& entry);
    // The next entry; kNoMoreFiles at the end.
    [[nodiscard]] SysError next(DirEntry& entry);
    void close();
    bool isOpen() const;

private:
    struct State;
    State* state_ = nullptr;
};

// ---- Configuration ----------------------------------------------------------------------------

enum class Hive { CurrentUser, LocalMachine };

// One open registry key. POSIX: a section of an ini-style file ($ZRT32_HKCU, default
// $XDG_CONFIG_HOME/zrt32/registry.ini; $ZRT32_HKLM, default /etc/zrt32/registry.ini).
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // path uses backslashes ("Software\\Maker\\Product\\Main"); names compare without case.
    [[nodiscard]] SysError open(Hive hive, const std::string& path);
    // A string value into buffer (NUL-terminated). A value that does not fit fails with
    // kMoreData; a value that is not a string with kInvalidData; a missing one kFileNotFound.
    [[nodiscard]] SysError queryString(const std::string& name, char* buffer, uint32_t size);
    void close();

private:
    struct State;
    State* state_ = nullptr;
};

// GetPrivateProfileString: sections and keys without case, blanks trimmed, the default when
// missing, the value cut to size - 1 characters. A file name without a directory is looked for
// in $ZRT32_INIDIR, else in the current directory. Returns the length copied.
uint32_t profileString(const char* section, const char* key, const char* defaultValue,
                       char* buffer, uint32_t size, const char* file);

// ---- Process and time ----------------------------------------------------------------------

uint32_t processId();
void sleepMs(uint32_t milliseconds);
// The local time as 24 characters, e.g. "Fri Dec 04 04:30:54 2026".
std::string localTimeText();

// ---- System --------------------------------------------------------------------------------

struct OsVersion {
    uint32_t platformId = 0, major = 0, minor = 0, build = 0;
};
[[nodiscard]] SysError osVersion(OsVersion& out);

// The folder-picking dialog: 1 when a folder was chosen (its path written to buffer), 0 when
// cancelled or when there is no desktop to show it on.
int browseFolder(const char* title, const char* startFolder, char* buffer, uint32_t size);

// ---- Faults and floating point ---------------------------------------------------------------

// Runs body(context). A memory fault raised inside it (an access violation, or a bus error of a
// mapped file that shrank) ends the body at once and makes the result false. The body must not
// own anything that needs destroying: it is left without unwinding.
bool runGuarded(void (*body)(void*), void* context);

template <class F>
bool guardFaults(F& body) {
    return runGuarded([](void* c) { (*static_cast<F*>(c))(); }, &body);
}

// Floating-point exception flags.
enum : uint32_t {
    kFpInvalid = 0x01,
    kFpDivideByZero = 0x02,
    kFpOverflow = 0x04,
    kFpUnderflow = 0x08,
    kFpInexact = 0x10,
    kFpDenormal = 0x20,  // an operand was subnormal: reported where kFpReportsDenormals
};
uint32_t fpStatus();
void fpClear();
// Whether fpStatus reports kFpDenormal: on x86, whose vector unit flags every operation on a
// subnormal operand (unless the caller's thread treats such operands as 0).
#if defined(__SSE2__) || defined(_M_X64)
constexpr bool kFpReportsDenormals = true;
#else
constexpr bool kFpReportsDenormals = false;
#endif

// ---- Injected faults ----------------------------------------------------------------------------
// A failing disk, on demand: a test arms a fault and the n-th of the following calls of the
// operations named fails, as a full disk or a failing one would. Nothing fails unless a test
// arms it. Every target counts the same calls: File::read and readAt, classicRead (read);
// File::write, writeAt and setEnd, classicWrite (write); Mapping::map (map); File::open with
// any disposition but OpenExisting, classicCreate and createTemporaryFile (create); moveFile
// and replaceFile (rename); deleteFile (delete). copyFile counts as a create (on POSIX also
// as the reads and writes of its copy).

enum FaultOp : uint32_t {
    kFaultRead = 1,
    kFaultWrite = 2,
    kFaultMap = 4,
    kFaultCreate = 8,
    kFaultRename = 16,
    kFaultDelete = 32,
    kFaultAnyOp = 63,
};

enum class FaultKind {
    DiskFull,  // kDiskFull, nothing done
    IoError,   // kReadFault for a read or a map, kWriteFault else; nothing done
    Short,     // a read or write moves half its bytes and reports success; others: IoError
};

struct FaultPlan {
    uint32_t ops = 0;        // FaultOp bits
    uint64_t failAt = 0;     // the call that fails first, counting from 1; 0: count only
    uint64_t failures = 1;   // how many calls fail from there on (UINT64_MAX: all of them)
    FaultKind kind = FaultKind::DiskFull;
};

// Arms the plan (replacing one armed before) and starts counting from 0. While a plan is
// armed, sleepMs returns at once: the retries of the code under test do not wait.
void armFaults(const FaultPlan& plan);
void disarmFaults();
// Calls of the plan's operations since it was armed, and how many of them failed.
uint64_t faultCallsSeen();
uint64_t faultsInjected();

// For the implementations: the failure to report for this call of op, or kOk. shorten is
// set when a transfer is to move half its bytes instead.
[[nodiscard]] SysError injectedFault(FaultOp op, bool* shorten = nullptr);
bool faultsArmed();

}  // namespace platform
