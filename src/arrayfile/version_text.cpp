#include "arrayfile/version_text.h"

#include <cstdio>

namespace zrt {

// The build passes the four numbers of the library's version (CMakeLists.txt).
#if !defined(ZRT_VERSION_MAJOR) || !defined(ZRT_VERSION_MINOR) || \
    !defined(ZRT_VERSION_PATCH) || !defined(ZRT_VERSION_TWEAK)
#error "the build must define ZRT_VERSION_MAJOR, _MINOR, _PATCH and _TWEAK"
#endif

std::string ProductVersionText(uint32_t mostSignificant, uint32_t leastSignificant) {
    char text[24];
    std::snprintf(text, sizeof text, "%u.%02u", mostSignificant >> 16, leastSignificant >> 16);
    return text;
}

std::string LibraryVersionText() {
    // "+ 0": a part that the project's version leaves out is defined empty, and counts as 0.
    constexpr uint32_t major = ZRT_VERSION_MAJOR + 0, minor = ZRT_VERSION_MINOR + 0;
    constexpr uint32_t patch = ZRT_VERSION_PATCH + 0, tweak = ZRT_VERSION_TWEAK + 0;
    return ProductVersionText(major << 16 | minor, patch << 16 | tweak) +
           " for Dyalog APL/W [32] " __DATE__ " " __TIME__;
}

}  // namespace zrt
