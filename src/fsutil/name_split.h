// The C runtime's split of a file name into base name and extension, as the listings show it.
#pragma once

#include <string_view>

namespace zrt {

struct NameParts {
    std::string_view base;
    std::string_view extension;  // from the last dot of the last component, the dot included
};

// Only the last component counts (after the last '/' or '\'); the directory part is dropped.
// "report.final.txt" gives ("report.final", ".txt"), ".." gives (".", "."), "README" no
// extension.
NameParts SplitName(std::string_view path);

}  // namespace zrt
