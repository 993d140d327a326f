// Profile values on POSIX: the ini files of parseIni.
#include <string>
#include <vector>

#include "platform/common/backend.h"
#include "platform/platform.h"
#include "platform/posix/ini_file.h"

namespace platform::backend {

std::string profileValue(const char* section, const char* key, const std::string& fallback,
                         const std::string& path, uint32_t) {
    std::vector<posix::IniSection> sections;
    if (posix::readIniFile(path, sections) != kOk) return fallback;
    const posix::IniSection* s = posix::findSection(sections, posix::trimmed(section));
    const posix::IniEntry* e = s ? posix::findEntry(*s, posix::trimmed(key)) : nullptr;
    return e ? e->value : fallback;
}

}  // namespace platform::backend
