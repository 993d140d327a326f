// DllCntCols: the largest number of fields of any line in the first block of a delimited text
// file, read through the caller's classic file handle. The position stays where the read left
// it: callers move it back themselves before reading the file with DllSep.
#include <algorithm>
#include <cstring>

#include "frame/export_bodies.h"
#include "frame/result.h"
#include "frame/xlate.h"
#include "text/delimited.h"
#include "text/text_args.h"
#include "zrt32.h"

namespace zrt {

namespace {

// A line that follows a CR LF begins after the line feed; after a lone CR it begins at once.
std::string_view afterLineFeed(std::string_view line) {
    if (!line.empty() && line[0] == '\n') line.remove_prefix(1);
    return line;
}

}  // namespace

// DllCntCols: (handle; quote and separator; block size) → the largest field count of a line.
Result body::DllCntCols(const APLArray* arg) {
    if (!IsNestedVector(arg, 3)) return kBadType;
    int32_t handle, blockSize;
    char marks[2];  // quote, separator
    if (Code c = IntegerOf(arg, 0, handle)) return c;
    if (Code c = CharPairOf(arg, 1, marks)) return c;
    if (Code c = IntegerOf(arg, 2, blockSize)) return c;
    if (blockSize < 2) return kBadType;  // nothing could be read

    Block block;
    if (Code c = ReadBlock(handle, static_cast<uint32_t>(blockSize), block)) return c;
    if (block.length == 0) return kFileError;

    TranslateToHostN(marks, 2);
    Lines lines;
    SplitLines(block.text(), lines);
    int32_t most = -1;
    for (size_t i = 0; i < lines.complete.size(); ++i) {
        std::string_view line = i > 0 ? afterLineFeed(lines.complete[i]) : lines.complete[i];
        most = std::max(most, CountFields(line, marks[0], marks[1]));
    }
    // The text after the last line end is a line only at the end of the file.
    if (block.last) {
        std::string_view rest = lines.complete.empty() ? lines.rest : afterLineFeed(lines.rest);
        most = std::max(most, CountFields(rest, marks[0], marks[1]));
    }
    ArrayPtr out(AllocVector(kInt32, 1));
    if (!out) return kNoMemory;
    setInt32At(dataOf(out.get()), 0, most);
    return out;
}

}  // namespace zrt
