#include "platform/posix/ini_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ascii_case.h"
#include "platform/posix/descriptor.h"
#include "platform/posix/errors.h"

namespace platform::posix {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// One pair of matching quotes around the whole value is removed, as Windows does, so that a
// value can keep blanks at its ends.
std::string unquoted(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

std::string trimmed(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// The format, line by line: "[name]" starts a section (blanks around the name are dropped,
// anything after the "]" is ignored); "name=value" is an entry of the current section, split
// at the first "=", with blanks around name and value dropped and one pair of surrounding
// quotes removed from the value; a line whose first non-blank character is ";" is a comment;
// every other line (blank, no "=", entries before the first section) is ignored. Lines end
// with LF or CR LF; a UTF-8 byte order mark at the start is skipped.
std::vector<IniSection> parseIni(const std::string& text) {
    std::vector<IniSection> sections;
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            sections.push_back({trimmed(line.substr(1, close == std::string::npos
                                                            ? std::string::npos
                                                            : close - 1)),
                                {}});
            continue;
        }
        size_t equals = line.find('=');
        if (equals == std::string::npos || sections.empty()) continue;
        sections.back().entries.push_back(
            {trimmed(line.substr(0, equals)), unquoted(trimmed(line.substr(equals + 1)))});
    }
    return sections;
}

SysError readIniFile(const std::string& path, std::vector<IniSection>& sections) {
    sections.clear();
    // O_NONBLOCK: a pipe in place of the file reads as empty instead of waiting.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid()) return pathErrorOf(errno, path);
    std::string text;
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) break;
        if (n < 0) return lastSysError();  // a directory reads as EISDIR
        if (n == 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    sections = parseIni(text);
    return kOk;
}

const IniSection* findSection(const std::vector<IniSection>& sections, const std::string& name) {
    for (const IniSection& s : sections)
        if (sameIgnoringCase(s.name, name)) return &s;
    return nullptr;
}

const IniEntry* findEntry(const IniSection& section, const std::string& name) {
    for (const IniEntry& e : section.entries)
        if (sameIgnoringCase(e.name, name)) return &e;
    return nullptr;
}

}  // namespace platform::posix
