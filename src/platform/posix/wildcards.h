// Matching of file names against the wildcards of a directory search.
#pragma once

#include <string>

namespace platform::posix {

// True when name matches pattern: * stands for any run of characters, ? for one character,
// letters match without regard to case, and a pattern ending in ".*" also matches names that
// end where the dot would be ("*.*" matches every name, "data.*" matches "data"), as on Windows.
bool wildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace platform::posix
