// profileString: GetPrivateProfileStringA, with the same edges as on every target.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform {

namespace {

// A name without a directory is looked for in $ZRT32_INIDIR when that is set; otherwise the
// system looks for it in the Windows directory.
std::string profilePath(const std::string& file) {
    if (file.find_first_of("\\/:") != std::string::npos) return file;
    const char* dir = std::getenv("ZRT32_INIDIR");
    if (!dir || !*dir) return file;
    std::string path = dir;
    if (path.back() != '\\' && path.back() != '/') path += '\\';
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
    return GetPrivateProfileStringA(section, key, fallback.c_str(), buffer, size,
                                    profilePath(file).c_str());
}

}  // namespace platform
