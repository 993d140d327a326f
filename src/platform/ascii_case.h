// Names that compare without regard to case the way Windows compares them: section and key
// names of profiles and the registry, character-set names, operator names. Only the ASCII
// letters fold, whatever the locale, so that every target and every host agrees.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

inline char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k)
        if (asciiUpper(a[k]) != asciiUpper(b[k])) return false;
    return true;
}

}  // namespace platform
