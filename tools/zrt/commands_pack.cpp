// Host command for packed files: ]entry turns PackFile's result into an archive entry, as the
// APL code that keeps archives does.
#include <filesystem>
#include <fstream>
#include <string>

#include "commands.h"
#include "os.h"

namespace zrt::host {

namespace {

std::string littleEndian32(uint32_t v) {
    return {char(v & 0xFF), char(v >> 8 & 0xFF), char(v >> 16 & 0xFF), char(v >> 24 & 0xFF)};
}

// The numbers of PackFile's value (path (handle crc size)) in the result (0 value), or null.
const Value* packFileValue(const Value& result) {
    if (result.type != kNested || result.items.size() != 2) return nullptr;
    const Value& v = result.items[1];
    if (v.type != kNested || v.items.size() != 2 || v.items[0].type != kChar ||
        !v.items[1].isSimpleNumeric() || v.items[1].numbers.size() != 3)
        return nullptr;
    return &v;
}

// ]entry archive name value: appends to archive an entry of what the line before packed: the
// value, the compressed size, the name padded with blanks to 13 characters and the compressed
// bytes, read from the start through the handle that PackFile returned. The handle is then
// closed and the temporary file removed, as PackFile's caller must.
void entry(CommandCall& call) {
    call.expectCount(3);
    const Value* packed = packFileValue(lastResult());
    if (!packed) call.fail(call.count(), "the line before gave no result of PackFile");
    std::string name = call.word(1);
    if (name.size() > 13) call.fail(1, "an entry name has at most 13 characters");
    name.resize(13, ' ');
    int64_t value = call.number(2);
    if (value < 0 || value > 0xFFFFFFFFll) call.fail(2, "the value is from 0 to 4294967295");

    const std::string path = packed->items[0].chars;
    auto handle = static_cast<int32_t>(packed->items[1].numbers[0]);
    auto size = static_cast<uint32_t>(packed->items[1].numbers[2]);
    setLastResult({});
    std::string data, error;
    bool read = os::seekHandle(handle, 0, 0, error) == 0 &&
                os::readHandle(handle, size, data, error) == int64_t(size);
    os::closeHandle(handle, error);
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    if (!read) call.fail(call.count(), "cannot read the packed data: " + error);

    std::ofstream archive(call.word(0), std::ios::binary | std::ios::app);
    archive << littleEndian32(uint32_t(value)) << littleEndian32(size) << name << data;
    if (!archive.flush()) call.fail(0, "cannot write '" + call.word(0) + "'");
}

const CommandRegistrar entryCommand("entry", "an archive path, an entry name and a value",
                                    &entry);

}  // namespace

}  // namespace zrt::host
