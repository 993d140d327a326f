// PackFile and UnPackFile: one file compressed into a temporary file that the caller adds to
// an archive of its own, and one archive entry decompressed back into a file.
//
// An archive entry, as UnPackFile reads it (integers little-endian):
//
//   0   4   a value V, handed back unchanged
//   4   4   S, the length of the compressed data
//   8   13  the file name, padded on the right with blanks
//   21  S   the compressed data, an implode stream
#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "frame/args.h"
#include "frame/export_bodies.h"
#include "frame/result.h"
#include "pack/crc32.h"
#include "pack/explode.h"
#include "pack/implode.h"
#include "platform/platform.h"

namespace zrt {

namespace {

using platform::ClassicHandle;
using platform::kClassicError;

constexpr Code kCoderCodes = 10200;  // plus the coder's error
constexpr uint32_t kEntryNameSize = 13;

// What the read and write steps of one call share.
struct Transfer {
    ClassicHandle source = kClassicError, destination = kClassicError;
    uint32_t packedCount = 0;    // packing: compressed bytes written
    uint32_t remaining = 0;      // unpacking: compressed bytes still to read
    uint32_t unpackedCount = 0;  // unpacking: decompressed bytes written
    uint32_t crc = 0xFFFFFFFFu;  // of the uncompressed bytes, inverted at the end
    bool failed = false;         // a step failed: reads deliver nothing, writes are skipped
    bool writeFailed = false;
};

// Packing reads the source and writes compressed pieces to the temporary file.
uint32_t readSource(uint8_t* buffer, uint32_t size, void* param) {
    auto& t = *static_cast<Transfer*>(param);
    if (t.failed) return 0;
    int32_t got = platform::classicRead(t.source, buffer, size);
    if (got < 0) {
        t.failed = true;
        return 0;
    }
    t.crc = Crc32Update(buffer, uint32_t(got), t.crc);
    return uint32_t(got);
}

// Writes to the destination handle; false, and the transfer failed, when it takes less.
bool writeOut(Transfer& t, const uint8_t* data, uint32_t size) {
    if (t.failed) return false;
    if (platform::classicWrite(t.destination, data, size) == int32_t(size)) return true;
    t.failed = t.writeFailed = true;
    return false;
}

void writePacked(const uint8_t* data, uint32_t size, void* param) {
    auto& t = *static_cast<Transfer*>(param);
    if (writeOut(t, data, size)) t.packedCount += size;
}

// Unpacking reads no more than the S compressed bytes of the entry from the caller's handle.
// An archive that ends (or fails) early hands over what it gave and then nothing: to the
// decoder the entry is cut there, wherever that falls.
uint32_t readEntry(uint8_t* buffer, uint32_t size, void* param) {
    auto& t = *static_cast<Transfer*>(param);
    if (t.failed || t.remaining == 0) return 0;
    uint32_t want = std::min(size, t.remaining);
    int32_t got = platform::classicRead(t.source, buffer, want);
    if (got != int32_t(want)) t.failed = true;
    if (got <= 0) return 0;
    t.remaining -= uint32_t(got);
    return uint32_t(got);
}

void writeUnpacked(const uint8_t* data, uint32_t size, void* param) {
    auto& t = *static_cast<Transfer*>(param);
    if (!writeOut(t, data, size)) return;
    t.unpackedCount += size;
    t.crc = Crc32Update(data, size, t.crc);
}

// A file this call creates: closed and removed when the call ends, unless it is kept.
class MadeFile {
public:
    MadeFile() = default;
    MadeFile(const MadeFile&) = delete;
    MadeFile& operator=(const MadeFile&) = delete;
    ~MadeFile() {
        if (handle != kClassicError) platform::classicClose(handle);
        if (!kept && !path.empty()) platform::deleteFile(path);
    }

    // Creates the file empty, open for reading and writing. A file that could not be created
    // is not ours to remove: path stays empty then.
    Code create(const std::string& at) {
        handle = platform::classicCreate(at);
        if (handle == kClassicError) return kFileError;
        path = at;
        return kOk;
    }
    // Keeps the file and hands its handle on, still open.
    ClassicHandle keepOpen() {
        kept = true;
        return std::exchange(handle, kClassicError);
    }
    // Keeps the file, closed; a failed close leaves it to be removed.
    Code closeAndKeep() {
        if (platform::classicClose(std::exchange(handle, kClassicError)) != 0) return kFileError;
        kept = true;
        return kOk;
    }

    std::string path;
    ClassicHandle handle = kClassicError;
    bool kept = false;
};

// A classic handle opened by this call, closed when the call ends.
class OpenedHandle {
public:
    explicit OpenedHandle(ClassicHandle h) : handle(h) {}
    OpenedHandle(const OpenedHandle&) = delete;
    OpenedHandle& operator=(const OpenedHandle&) = delete;
    ~OpenedHandle() {
        if (handle != kClassicError) platform::classicClose(handle);
    }
    const ClassicHandle handle;
};

std::unique_ptr<uint8_t[]> workingBlock() {
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[kCoderWorkSize]());
}

// (text; numbers): the value both exports return. Numbers are 32-bit patterns, so a CRC of
// 2^31 or more shows as a negative integer.
Result textAndNumbers(const std::string& text, std::initializer_list<uint32_t> numbers) {
    ArrayPtr pair(AllocVector(kNested, 2));
    ArrayPtr values(AllocVector(kInt32, static_cast<uint32_t>(numbers.size())));
    if (!pair || !values) return kNoMemory;
    if (Code c = SetItemChars(pair.get(), 0, text.data(), static_cast<uint32_t>(text.size())))
        return c;
    uint32_t k = 0;
    for (uint32_t v : numbers) setInt32At(dataOf(values.get()), k++, static_cast<int32_t>(v));
    setSlot(pair.get(), 1, values.release());
    return pair;
}

Code createTemporary(MadeFile& file) {
    std::string directory, path;
    if (platform::temporaryDirectory(directory) ||
        platform::createTemporaryFile(directory, "MPK", path))
        return kFileError;
    file.path = path;  // it exists now: removed again if anything below fails
    file.handle = platform::classicCreate(path);
    return file.handle == kClassicError ? kFileError : kOk;
}

struct EntryHeader {
    uint32_t value = 0, packedSize = 0;
    std::string name;
};

uint32_t littleEndian32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

Code readEntryHeader(ClassicHandle handle, EntryHeader& entry) {
    uint8_t value[4], size[4];
    char name[kEntryNameSize];
    if (platform::classicRead(handle, value, 4) != 4 ||
        platform::classicRead(handle, size, 4) != 4 ||
        platform::classicRead(handle, name, kEntryNameSize) != int32_t(kEntryNameSize))
        return kFileError;
    entry.value = littleEndian32(value);
    entry.packedSize = littleEndian32(size);
    // Blanks pad the name on the right; the first byte stays whatever it is. A zero byte
    // ends the name early.
    uint32_t n = kEntryNameSize;
    while (n > 1 && name[n - 1] == ' ') --n;
    entry.name.assign(name, std::find(name, name + n, '\0'));
    return kOk;
}

// An entry name is a file name: one that would reach outside the destination directory is
// damaged data.
bool isPlainFileName(const std::string& name) {
    return !name.empty() && name.find_first_of("/\\") == std::string::npos;
}

}  // namespace

// PackFile: compresses the file named by the argument into a new temporary file and returns
// (temporary path; handle, CRC-32, compressed size) with the temporary file still open.
Result body::PackFile(const APLArray* arg) {
    if (!arg || typeOf(arg) != kChar || rankOf(arg) > 1) return kBadType;
    char sourcePath[256];
    if (Code c = GetItemString(arg, 0, sourcePath, sizeof sourcePath)) return c;

    OpenedHandle source(
        platform::classicOpen(sourcePath, platform::kOfRead | platform::kOfShareDenyWrite));
    if (source.handle == kClassicError) return kFileError;
    MadeFile temporary;
    if (Code c = createTemporary(temporary)) return c;
    auto work = workingBlock();
    if (!work) return kNoMemory;

    Transfer t;
    t.source = source.handle;
    t.destination = temporary.handle;
    int error = Implode(readSource, writePacked, work.get(), &t, kBinaryLiterals, 4096);
    if (t.failed) return kFileError;
    if (error) return kCoderCodes + Code(error);

    Result result = textAndNumbers(
        temporary.path, {uint32_t(temporary.handle), ~t.crc, t.packedCount});
    if (result.code() == kOk) temporary.keepOpen();
    return result;
}

// UnPackFile: (directory; handle) reads one archive entry from the handle, writes the file into
// the directory and returns (name; V, CRC-32, size, compressed size).
Result body::UnPackFile(const APLArray* arg) {
    if (!arg || typeOf(arg) != kNested || rankOf(arg) != 1 || cellCount(arg) != 2)
        return kBadType;
    const APLArray* directoryItem = slotAt(arg, 0);
    const APLArray* handleItem = slotAt(arg, 1);
    if (!directoryItem || typeOf(directoryItem) != kChar || rankOf(directoryItem) > 1 ||
        !handleItem || !isSimpleNumeric(typeOf(handleItem)))
        return kBadType;
    char directory[255];
    if (Code c = GetItemString(arg, 0, directory, sizeof directory)) return c;
    int32_t handle = 0;
    if (Code c = GetItemInt(handleItem, 0, handle)) return c;

    EntryHeader entry;
    if (Code c = readEntryHeader(handle, entry)) return c;
    if (!isPlainFileName(entry.name)) return kFileError;
    MadeFile output;
    if (Code c = output.create(directory + entry.name)) return c;
    auto work = workingBlock();
    if (!work) return kNoMemory;

    Transfer t;
    t.source = handle;
    t.destination = output.handle;
    t.remaining = entry.packedSize;
    int error = Explode(readEntry, writeUnpacked, work.get(), &t);
    // A failed write is the file's fault, whatever the decoder made of the input cut off.
    if (t.writeFailed) return kFileError;
    if (error) return kCoderCodes + Code(error);

    Result result = textAndNumbers(
        entry.name, {entry.value, ~t.crc, t.unpackedCount, entry.packedSize});
    if (result.code() != kOk) return result;
    if (Code c = output.closeAndKeep()) return c;
    return result;
}

}  // namespace zrt
