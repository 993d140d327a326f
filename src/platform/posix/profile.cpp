// profileString: GetPrivateProfileString over the ini files of parseIni.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/ini_file.h"

namespace platform {

namespace {

// A name without a directory is looked for where Windows would look in its own directory.
std::string profilePath(const std::string& file) {
    if (file.find('/') != std::string::npos) return file;
    const char* dir = std::getenv("ZRT32_INIDIR");
    if (!dir || !*dir) return file;
    std::string path = dir;
    if (path.back() != '/') path += '/';
    return path + file;
}

// Copies at most size - 1 characters and the NUL; the length copied.
uint32_t copyCut(const std::string& text, char* buffer, uint32_t size) {
    size_t n = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return static_cast<uint32_t>(n);
}

// The default loses its trailing blanks, as Windows documents.
std::string defaultText(const char* defaultValue) {
    std::string text = defaultValue ? defaultValue : "";
    size_t end = text.find_last_not_of(' ');
    return text.substr(0, end == std::string::npos ? 0 : end + 1);
}

}  // namespace

// A null section or key (the listing forms of GetPrivateProfileString) and an empty key give
// the default.
uint32_t profileString(const char* section, const char* key, const char* defaultValue,
                       char* buffer, uint32_t size, const char* file) {
    if (!buffer || size == 0) return 0;
    std::string fallback = defaultText(defaultValue);
    if (!section || !key || !file || !*file || !*key) return copyCut(fallback, buffer, size);
    std::vector<posix::IniSection> sections;
    if (posix::readIniFile(profilePath(file), sections) != kOk)
        return copyCut(fallback, buffer, size);
    const posix::IniSection* s = posix::findSection(sections, posix::trimmed(section));
    const posix::IniEntry* e = s ? posix::findEntry(*s, posix::trimmed(key)) : nullptr;
    return copyCut(e ? e->value : fallback, buffer, size);
}

}  // namespace platform
