#include "fsutil/name_split.h"

namespace zrt {

NameParts SplitName(std::string_view path) {
    size_t slash = path.find_last_of("/\\");
    std::string_view last = slash == std::string_view::npos ? path : path.substr(slash + 1);
    size_t dot = last.rfind('.');
    if (dot == std::string_view::npos) return {last, {}};
    return {last.substr(0, dot), last.substr(dot)};
}

}  // namespace zrt
