// DllSep: the chosen columns of each complete line of the next block of a delimited text file,
// read through the caller's classic file handle.
//
// A call that succeeds leaves the file position behind the last complete line, so that the next
// call begins with the next line. A call that fails, whatever the reason, leaves the position
// where it found it: the caller loses no data and may try again, for example with a larger
// block.
#include <cstring>
#include <vector>

#include "frame/export_bodies.h"
#include "frame/result.h"
#include "frame/xlate.h"
#include "text/delimited.h"
#include "text/text_args.h"
#include "zrt32.h"

namespace zrt {

namespace {

constexpr int32_t kMinBlock = 1024;
constexpr int32_t kMaxBlock = 65500;

// Moves the file position back over the bytes that a call read but did not use: all of them
// unless the call succeeds.
class Unread {
public:
    Unread(platform::ClassicHandle handle, uint32_t read) : handle_(handle), pending_(read) {}
    ~Unread() {
        if (pending_) platform::classicSeek(handle_, -static_cast<int32_t>(pending_), 1);
    }
    Unread(const Unread&) = delete;
    Unread& operator=(const Unread&) = delete;

    // The call succeeded having used the first `used` bytes; the rest is given back now.
    Code keep(uint32_t used) {
        auto back = static_cast<int32_t>(pending_ - used);
        pending_ = 0;
        if (back && platform::classicSeek(handle_, -back, 1) < 0) return kFileError;
        return kOk;
    }

private:
    platform::ClassicHandle handle_;
    uint32_t pending_;
};

// Column numbers count from 1; they are all checked before anything is read.
Code columnsOf(const APLArray* arg, std::vector<uint32_t>& columns) {
    const APLArray* item = slotAt(arg, 2);
    if (!isSimpleNumeric(typeOf(item))) return kBadType;
    uint32_t n = cellCount(item);
    if (n == 0 || n > kMaxFields) return kBadType;
    columns.resize(n);
    for (uint32_t k = 0; k < n; ++k) {
        int32_t column;
        if (Code c = GetItemInt(item, k, column)) return c;
        if (column < 1) return kBadType;
        columns[k] = static_cast<uint32_t>(column);
    }
    return kOk;
}

APLArray* fieldItem(std::string_view field) {
    APLArray* item = AllocVector(kChar, static_cast<uint32_t>(field.size()));
    if (!item) return nullptr;
    if (!field.empty()) std::memcpy(dataOf(item), field.data(), field.size());
    TranslateToAPL(dataOf(item), static_cast<uint32_t>(field.size()));
    return item;
}

// One row per line, one character vector per column; no lines give an empty integer matrix.
Result tableOf(const std::vector<std::string_view>& lines, const std::vector<uint32_t>& columns,
               FieldSplitter& fields) {
    uint32_t shape[2] = {static_cast<uint32_t>(lines.size()),
                         static_cast<uint32_t>(columns.size())};
    if (lines.empty()) return ArrayPtr(AllocArray(kInt32, 2, shape));
    ArrayPtr out(AllocArray(kNested, 2, shape));
    if (!out) return kNoMemory;
    uint32_t slot = 0;
    for (std::string_view line : lines) {
        if (!fields.split(line)) return kBadType;
        for (uint32_t column : columns) {
            APLArray* item = fieldItem(column <= fields.count() ? fields.field(column - 1)
                                                                 : std::string_view());
            if (!item) return kNoMemory;
            setSlot(out.get(), slot++, item);
        }
    }
    return out;
}

}  // namespace

// DllSep: (handle; quote and separator; column numbers; block size) → a matrix of fields, one
// row per complete line of the next block.
Result body::DllSep(const APLArray* arg) {
    if (!IsNestedVector(arg, 4)) return kBadType;
    int32_t handle, blockSize;
    char marks[2];  // quote, separator
    std::vector<uint32_t> columns;
    if (Code c = IntegerOf(arg, 0, handle)) return c;
    if (Code c = CharPairOf(arg, 1, marks)) return c;
    if (Code c = columnsOf(arg, columns)) return c;
    if (Code c = IntegerOf(arg, 3, blockSize)) return c;
    if (blockSize < kMinBlock || blockSize > kMaxBlock) return kBadType;

    Block block;
    if (Code c = ReadBlock(handle, static_cast<uint32_t>(blockSize), block)) return c;
    if (block.length == 0) return kEndOfFile;
    Unread unread(handle, block.length);

    TranslateToHostN(marks, 2);  // the file holds host text
    Lines lines;
    SplitLines(block.text(), lines);
    uint32_t used = block.length;
    if (block.last) {
        // At the end of the file the text after the last line end is a line too, unless it is
        // nothing or the line feed of a final CR LF.
        if (!lines.rest.empty() && lines.rest != "\n") lines.complete.push_back(lines.rest);
    } else {
        // A line cut by the end of the block is read again by the next call.
        if (lines.complete.empty()) return kFileError;
        used -= static_cast<uint32_t>(lines.rest.size());
    }
    FieldSplitter fields(marks[0], marks[1]);
    Result table = tableOf(lines.complete, columns, fields);
    if (table.code() != kOk) return table;
    if (Code c = unread.keep(used)) return c;
    return table;
}

}  // namespace zrt
