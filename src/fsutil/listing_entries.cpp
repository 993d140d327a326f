#include "fsutil/listing_entries.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace zrt {

namespace {

using platform::DirEntry;

// The short (8.3) name where the file system has one, else the name.
std::string_view shownName(const DirEntry& e) {
    return e.shortName.empty() ? std::string_view(e.name) : std::string_view(e.shortName);
}

std::string rightAligned(std::string_view text, size_t width) {
    std::string out(width > text.size() ? width - text.size() : 0, ' ');
    out += text;
    return out;
}

// Writes text into line at offset, cut at width: the next column covers what would run on.
void put(std::string& line, size_t offset, size_t width, std::string_view text) {
    line.replace(offset, std::min(width, text.size()), text.substr(0, width));
}

// Numbers as printf prints them; every format used here is far shorter than the buffer.
template <class... Values>
std::string printed(const char* format, Values... values) {
    char text[48];
    int n = std::snprintf(text, sizeof text, format, values...);
    return std::string(text, n < 0 ? 0 : std::min<size_t>(size_t(n), sizeof text - 1));
}

// The attribute letters of offsets 13 to 17.
std::string attributeLetters(uint32_t attributes) {
    struct Letter { uint32_t bit; char letter; };
    static constexpr Letter letters[] = {
        {platform::kAttrArchive, 'A'},  {platform::kAttrHidden, 'H'},
        {platform::kAttrReadOnly, 'R'}, {platform::kAttrSystem, 'S'},
        {platform::kAttrDirectory, 'D'},
    };
    std::string out;
    for (const Letter& l : letters) out += (attributes & l.bit) ? l.letter : ' ';
    return out;
}

}  // namespace

bool ListedByDir(const DirEntry& entry) {
    constexpr uint32_t leftOut = platform::kAttrHidden | platform::kAttrSystem |
                                 platform::kAttrDirectory;
    return (entry.attributes & leftOut) == 0;
}

std::string DirEntryText(const DirEntry& entry) {
    std::string line(kDirEntryWidth, ' ');
    put(line, 0, kDirEntryWidth, rightAligned(shownName(entry), kDirEntryWidth));
    return line;
}

//  offset  0  base name, right-aligned in 8
//          8  extension with its dot, left-aligned in 4, then a space
//         13  A H R S D
//         18  space, size (low 32 bits) right-aligned in 9, space
//         29  date yyyymmdd, space
//         38  time hhmmss, space
std::string DirXEntryText(const DirEntry& entry) {
    NameParts parts = SplitName(shownName(entry));
    const platform::SystemTime& t = entry.lastWrite;
    std::string line(kDirXEntryWidth, ' ');
    put(line, 0, 8, rightAligned(parts.base, 8));
    put(line, 8, 5, parts.extension);
    put(line, 13, 5, attributeLetters(entry.attributes));
    put(line, 18, 11, printed(" %9u ", unsigned(uint32_t(entry.size))));
    put(line, 29, 9, printed("%4u%02u%02u ", unsigned(t.year), unsigned(t.month),
                                   unsigned(t.day)));
    put(line, 38, 7, printed("%02u%02u%02u ", unsigned(t.hour), unsigned(t.minute),
                                   unsigned(t.second)));
    return line;
}

NameParts SplitName(std::string_view path) {
    size_t slash = path.find_last_of("/\\");
    std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = last.rfind('.');
    if (dot == std::string_view::npos) return {last, {}};
    return {last.substr(0, dot), last.substr(dot)};
}

}  // namespace zrt
