// profileString: the edges of GetPrivateProfileString, the same on every target; the back end
// reads the value.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/common/backend.h"
#include "platform/platform.h"

namespace platform {

namespace {

// A name without a directory is looked for in $ZRT32_INIDIR when that is set; otherwise where
// the system looks for it (Windows: its own directory).
std::string profilePath(const std::string& file) {
    if (file.find_first_of(backend::kDirectoryMarks) != std::string::npos) return file;
    const char* dir = std::getenv("ZRT32_INIDIR");
    if (!dir || !*dir) return file;
    std::string path = dir;
    if (std::strchr(backend::kSeparators, path.back()) == nullptr) path += backend::kSeparator;
    return path + file;
}

// Copies at most size - 1 characters and the NUL; the length copied.
uint32_t copyCut(const std::string& text, char* buffer, uint32_t size) {
    size_t n = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return static_cast<uint32_t>(n);
}

// The default loses its trailing blanks, as the system documents.
std::string defaultText(const char* defaultValue) {
    std::string text = defaultValue ? defaultValue : "";
    size_t end = text.find_last_not_of(' ');
    return text.substr(0, end == std::string::npos ? 0 : end + 1);
}

}  // namespace

// The listing forms (a null section or key), an empty key and a null or empty file name give
// the default: the system would list names or read win.ini instead.
uint32_t profileString(const char* section, const char* key, const char* defaultValue,
                       char* buffer, uint32_t size, const char* file) {
    if (!buffer || size == 0) return 0;
    std::string fallback = defaultText(defaultValue);
    if (!section || !key || !file || !*file || !*key) return copyCut(fallback, buffer, size);
    return copyCut(backend::profileValue(section, key, fallback, profilePath(file), size), buffer,
                   size);
}

}  // namespace platform
