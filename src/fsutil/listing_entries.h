// The fixed-width entries of the directory listings, made from one entry of a directory search.
//
// Every entry is exactly its width, so that APL code can cut a listing into rows: text that
// would run past a column is cut where the next column begins, as if each column were printed
// at its offset over whatever ran into it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace zrt {

// Dir: the name right-aligned in 14 characters (a longer name shows its first 14).
constexpr size_t kDirEntryWidth = 14;
// DirX: base name, extension, attribute letters, size, last-write date and time in UTC.
constexpr size_t kDirXEntryWidth = 45;

// Dir leaves out hidden and system files and directories; DirX lists every entry.
bool ListedByDir(const platform::DirEntry& entry);

// The C runtime's split of a file name into base name and extension, as DirX shows it. Only
// the last component counts (after the last '/' or '\'); the directory part is dropped.
// "report.final.txt" gives ("report.final", ".txt"), ".." gives (".", "."), "README" no
// extension.
struct NameParts {
    std::string_view base;
    std::string_view extension;  // from the last dot of the last component, the dot included
};
NameParts SplitName(std::string_view path);

std::string DirEntryText(const platform::DirEntry& entry);
std::string DirXEntryText(const platform::DirEntry& entry);

}  // namespace zrt
