#include "fastpath/scar_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <new>
#include <vector>

#include "fastpath/byte_order.h"
#include "fastpath/scar.h"
#include "frame/export_bodies.h"
#include "frame/log.h"
#include "frame/result.h"
#include "frame/root.h"
#include "frame/settings.h"
#include "pack/crc32.h"

namespace zrt {

const char kScarFileId[14] = {'Q', 'U', 'I', 'R', 'V', 'E', 'X', ' ', '0', '0', ' ', '0', '0', ' '};

namespace {

constexpr Code kShortWrite = 10103;
constexpr size_t kMaxNameBuffer = 256;
constexpr size_t kVersion0Start = 16;
constexpr size_t kVersion1Start = 24;

bool logging(uint32_t level) { return LogEnabled(0, kLogScarFiles, level); }

// A name is a character vector (a one-character name arrives as a scalar).
bool isName(const APLArray* a) { return a && typeOf(a) == kChar && rankOf(a) <= 1; }

// The host string of a name, or false.
bool hostName(const APLArray* a, size_t slack, std::string& out) {
    if (!isName(a)) return false;
    const uint32_t length = cellCount(a);
    std::unique_ptr<char[]> text(new char[length + slack]);
    if (GetItemString(a, 0, text.get(), static_cast<uint32_t>(length + slack)) != kOk) return false;
    out = text.get();
    return true;
}

// ---- Writing ---------------------------------------------------------------------------------

// Takes the encoding as the encoder hands it over: small pieces are gathered into whole
// writes, large ones (the data of a big array) go to the file directly. The CRC runs along.
class FileSink : public ScarSink {
public:
    explicit FileSink(platform::File& file) : file_(file), buffer_(kBufferSize) {}

    void put(const void* bytes, size_t count) override {
        crc_ = Crc32Update(bytes, count, crc_);
        if (code_ != kOk) return;
        if (used_ + count > buffer_.size()) flush();
        if (count >= buffer_.size()) {
            if (code_ == kOk) code_ = RetryHWrite(file_, bytes, static_cast<uint32_t>(count));
            return;
        }
        std::memcpy(buffer_.data() + used_, bytes, count);
        used_ += count;
    }
    Code finish() {
        flush();
        return code_;
    }
    uint32_t crc() const { return ~crc_; }

private:
    static constexpr size_t kBufferSize = 1 << 20;
    void flush() {
        if (used_ && code_ == kOk) code_ = RetryHWrite(file_, buffer_.data(), static_cast<uint32_t>(used_));
        used_ = 0;
    }

    platform::File& file_;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
    uint32_t crc_ = 0xFFFFFFFFu;
    Code code_ = kOk;
};

// Identifier, version, for version 1 the CRC and the size, then the SCAR buffer. The CRC is
// known only once the buffer has passed: its place is written last.
Code writeContent(platform::File& file, const APLArray* data, const ScarPlan& plan, uint32_t version) {
    if (Code c = RetryHWrite(file, kScarFileId, sizeof kScarFileId)) return c;
    uint8_t fields[10] = {'0', version == 0 ? uint8_t('0') : uint8_t('1')};
    if (Code c = RetryHWrite(file, fields, version == 0 ? 2 : 10)) return c;
    FileSink sink(file);
    WriteScar(data, plan, sink);
    if (Code c = sink.finish()) return c;
    if (version == 0) return kOk;
    store32le(fields + 2, sink.crc());
    store32le(fields + 6, static_cast<uint32_t>(kScarHeaderSize + plan.treeSize));
    if (file.seek(16, platform::Whence::Begin) != platform::kOk) return kFileError;
    return RetryHWrite(file, fields + 2, 8);
}

// The temporary file takes the new content; only a complete one replaces the target.
Code writeScarFile(const APLArray* name, const APLArray* data) {
    NamedObject* root = nullptr;
    if (Code c = LocateObject(".", kRootKind, root)) return c;
    std::string target;
    if (!hostName(name, 1, target)) return kBadType;
    ScarPlan plan;
    if (Code c = PlanScar(data, plan)) return c;
    std::string temporary;
    if (Code c = TemporaryScarName(target, temporary)) return c;

    platform::File file;
    platform::SysError e = platform::File::open(temporary, platform::kReadWrite,
                                                platform::kShareNone,
                                                platform::Disposition::CreateAlways, file);
    if (e != platform::kOk) {
        if (logging(3)) LogPrintf("FileWrite: CreateFile %u name %s", e, temporary.c_str());
        return kFileError;
    }
    Code code = writeContent(file, data, plan, as<RootObject>(root)->scar->version);
    if (file.close() != platform::kOk && code == kOk) code = kFileError;
    if (code != kOk) return code;

    // In one step: a rename that fails after the old file was deleted would lose it.
    if (platform::replaceFile(temporary, target) != platform::kOk) return kFileError;
    return kOk;
}

// ---- Reading ---------------------------------------------------------------------------------

Code invalid(const char* line) {
    if (logging(3)) LogValue(line, 0);
    return kFileError;
}

// Where the SCAR buffer starts, once identifier, version and size are found right. header
// holds the first bytes of the file (up to 24), size is the file's.
Code checkHeader(const uint8_t* header, uint64_t size, size_t& start) {
    if (size < kVersion0Start) return invalid("Invalid SCAR file size");
    if (std::memcmp(header, kScarFileId, sizeof kScarFileId) != 0)
        return invalid("Invalid Scar FileID");
    if (header[14] == '0' && header[15] == '0') {
        start = kVersion0Start;
    } else if (header[14] == '0' && header[15] == '1') {
        start = kVersion1Start;
        if (size <= kVersion1Start || size - kVersion1Start != load32le(header + 20))
            return invalid("Invalid SCAR file size");
    } else {
        return invalid("Invalid SCAR file Version Number");
    }
    // Nothing tests a version "00" file's length: one too short for its own header is damage.
    if (size - start < kScarHeaderSize) return invalid("Invalid SCAR file size");
    return kOk;
}

// Another process may cut the file short while it is mapped: reads of the mapping run under
// the fault guard, and everything after them works on memory the library owns.
bool copyGuarded(const uint8_t* from, uint8_t* into, size_t n) {
    auto copy = [&]() { std::memcpy(into, from, n); };
    return platform::guardFaults(copy);
}

// Copies the SCAR buffer into private memory and takes its CRC in the same pass.
bool copyWithCrc(const uint8_t* from, uint8_t* into, size_t n, uint32_t& crc) {
    constexpr size_t kChunk = 1 << 20;  // checked while it is still in the cache
    uint32_t running = 0xFFFFFFFFu;
    auto copy = [&]() {
        for (size_t at = 0; at < n; at += kChunk) {
            const size_t part = std::min(kChunk, n - at);
            std::memcpy(into + at, from + at, part);
            running = Crc32Update(into + at, part, running);
        }
    };
    if (!platform::guardFaults(copy)) return false;
    crc = ~running;
    return true;
}

// The bytes that the arrays of one decoded file may take together.
uint64_t decodeLimit() {
    RootObject* root = CurrentRoot();
    return uint64_t(root ? root->scar->readLimit : kDefaultScarReadLimit) << 20;
}

// The table from the file's character set to the interpreter's; none before Init.
Code translationFor(const uint8_t* scar, const uint8_t*& table) {
    table = nullptr;
    RootObject* root = CurrentRoot();
    if (!root) return kOk;
    char name[7] = {};
    std::memcpy(name, scar + 2, 6);
    return ReadXlate(CharsetName::of(name), DyalogCharset(), root->xlateCache, table);
}

Code decodeScar(ByteSpan scar, TreePtr& out) {
    const uint8_t form = scar.data[0], order = scar.data[1];
    if ((form != 'A' && form != 'B') || (order != 'L' && order != 'B')) return kNoDefaultChar;
    const uint8_t* table;
    if (Code c = translationFor(scar.data, table)) return c;
    std::unique_ptr<uint8_t[]> decoded;
    if (Code c = PrepareScar(scar, 'L', table, decodeLimit(), decoded)) return c;
    return BuildFromScar(scar, kScarHeaderSize, out);
}

Code readScarFile(const APLArray* name, TreePtr& out) {
    std::string path;
    platform::File file;
    platform::SysError e = platform::kInvalidName;  // a name that is no name opens nothing
    if (hostName(name, 17, path))
        e = platform::File::open(path, platform::kRead, platform::kShareRead,
                                 platform::Disposition::OpenExisting, file);
    if (e != platform::kOk) {
        if (logging(3)) LogValue("FileRead: CreateFile", static_cast<int32_t>(e));
        return kFileError;
    }
    platform::Mapping map;
    e = platform::Mapping::map(file, false, map);
    if (e != platform::kOk) {
        if (logging(3)) LogValue("FileRead: CreateFileMapping", static_cast<int32_t>(e));
        // An empty file cannot be mapped: it is no SCAR file.
        return e == platform::kNotEnoughMemory || e == platform::kNoSystemResources ? kNoMemory
                                                                                   : kFileError;
    }

    uint8_t header[kVersion1Start] = {};
    const uint64_t size = map.size();
    if (!copyGuarded(map.data(), header, static_cast<size_t>(std::min<uint64_t>(size, sizeof header))))
        return kFileError;
    size_t start = 0;
    if (Code c = checkHeader(header, size, start)) return c;
    if constexpr (sizeof(size_t) < sizeof(uint64_t))
        if (size - start > SIZE_MAX) return kNoMemory;

    // The decoder changes the buffer in place: it works on a private copy.
    const size_t scarSize = static_cast<size_t>(size - start);
    std::unique_ptr<uint8_t[]> scar(new (std::nothrow) uint8_t[scarSize]);
    if (!scar) return kNoMemory;
    uint32_t crc = 0;
    if (!copyWithCrc(map.data() + start, scar.get(), scarSize, crc)) return kFileError;
    if (start == kVersion1Start && crc != load32le(header + 16))
        return invalid("Invalid SCAR file CRC");
    map.unmap();
    file.close();
    return decodeScar({scar.get(), scarSize}, out);
}

}  // namespace

void ReadScarSettings(RootObject& root) {
    ScarSettings& settings = root.scar.get();
    const char* base = root.registryBase.c_str();
    settings.version = NumberSetting("Main", "DLLScarVersion", "0", base) >= 1 ? 1 : 0;
    settings.readLimit = NumberSetting("MEMORY", "ScarReadLimit",
                                       std::to_string(kDefaultScarReadLimit).c_str(), base);
}

Code TemporaryScarName(const std::string& target, std::string& out) {
    const size_t dot = target.rfind('.');
    out = (dot == std::string::npos || dot == 0) ? ".NEW" : target.substr(0, dot) + ".NEW";
    return out.size() < kMaxNameBuffer ? kOk : kFileError;
}

Code RetryHWrite(platform::File& file, const void* bytes, uint32_t count) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    uint32_t written = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const uint32_t asked = count - written;
        uint32_t put = 0;
        platform::SysError e = file.write(p + written, asked, put);
        written += put;
        if (written == count) return kOk;
        if (logging(3))
            LogPrintf("RetryHWrite: WriteFile res %u asked %u written %u", e, asked, put);
        if (attempt == 2) break;  // no point in waiting after the last attempt
        platform::sleepMs(2000);
        if (logging(4)) LogValue("RetryHWrite: retrying", attempt);
    }
    return kShortWrite;
}

// FileWrite: stores any array in a SCAR file under the name given.
Result body::FileWrite(const APLArray* name, const APLArray* data) {
    return writeScarFile(name, data);
}

// FileRead: the array stored in a SCAR file.
Result body::FileRead(const APLArray* name) {
    TreePtr tree;
    if (Code c = readScarFile(name, tree)) return c;
    return ArrayPtr(tree.release());
}

}  // namespace zrt
