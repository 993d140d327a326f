// The ini-style files behind profile strings and the registry stand-in.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform::posix {

struct IniEntry {
    std::string name, value;
};

struct IniSection {
    std::string name;
    std::vector<IniEntry> entries;
};

// Parses the text of an ini file into its sections, in file order.
std::vector<IniSection> parseIni(const std::string& text);

// Reads and parses a file; kFileNotFound (or another error) when it cannot be read.
[[nodiscard]] SysError readIniFile(const std::string& path, std::vector<IniSection>& sections);

// Blanks (spaces, tabs, stray carriage returns) removed from both ends.
std::string trimmed(const std::string& text);

// The first section or entry of that name, compared without regard to case; null when none.
const IniSection* findSection(const std::vector<IniSection>& sections, const std::string& name);
const IniEntry* findEntry(const IniSection& section, const std::string& name);

}  // namespace platform::posix
