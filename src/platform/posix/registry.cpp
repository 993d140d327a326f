// RegistryKey: the registry stands in as two ini-style files, one per hive. A section is a
// key, named by its full path with backslashes; its entries are the key's string values. The
// files are found afresh at each open, from the environment:
//   current user   $ZRT32_HKCU, else $XDG_CONFIG_HOME/zrt32/registry.ini, else
//                  $HOME/.config/zrt32/registry.ini
//   local machine  $ZRT32_HKLM, else /etc/zrt32/registry.ini
// The lines follow the rules of parseIni (blanks around names and values dropped, one pair of
// quotes around a value removed, ";" comments). A key opens when it has a section or when a
// section lies below it, as the key of every section exists on Windows. The value named "@"
// is the key's default (unnamed) value. An open key keeps the values it was opened with.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/platform.h"
#include "platform/posix/ini_file.h"

namespace platform {

struct RegistryKey::State {
    posix::IniSection key;  // the values, when the key has a section of its own
};

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The file of a hive; empty when the environment names none.
std::string hiveFile(Hive hive) {
    if (hive == Hive::LocalMachine) {
        std::string file = environment("ZRT32_HKLM");
        return file.empty() ? "/etc/zrt32/registry.ini" : file;
    }
    std::string file = environment("ZRT32_HKCU");
    if (!file.empty()) return file;
    std::string config = environment("XDG_CONFIG_HOME");
    if (config.empty() || config[0] != '/') {  // a relative value is to be ignored
        std::string home = environment("HOME");
        if (home.empty()) return "";
        config = home + "/.config";
    }
    return config + "/zrt32/registry.ini";
}

// A section below key, which makes key exist.
bool hasSubkey(const std::vector<posix::IniSection>& sections, const std::string& key) {
    std::string prefix = key + "\\";
    for (const posix::IniSection& s : sections)
        if (key.empty() || (s.name.size() > prefix.size() &&
                            sameIgnoringCase(s.name.substr(0, prefix.size()), prefix)))
            return true;
    return false;
}

}  // namespace

RegistryKey::~RegistryKey() { close(); }

SysError RegistryKey::open(Hive hive, const std::string& path) {
    close();
    std::string file = hiveFile(hive);
    if (file.empty()) return kFileNotFound;
    std::vector<posix::IniSection> sections;
    SysError e = posix::readIniFile(file, sections);
    // A missing file is an empty hive: the key is not found.
    if (e == kPathNotFound) e = kFileNotFound;
    if (e != kOk) return e;
    auto state = std::make_unique<State>();
    if (const posix::IniSection* section = posix::findSection(sections, path))
        state->key = *section;
    else if (!hasSubkey(sections, path))
        return kFileNotFound;
    state_ = state.release();
    return kOk;
}

SysError RegistryKey::queryString(const std::string& name, char* buffer, uint32_t size) {
    if (!state_) return kInvalidHandle;
    if (!buffer) return kInvalidParameter;
    const posix::IniEntry* value = posix::findEntry(state_->key, name.empty() ? "@" : name);
    if (!value) return kFileNotFound;
    if (value->value.size() + 1 > size) return kMoreData;
    std::memcpy(buffer, value->value.c_str(), value->value.size() + 1);
    return kOk;
}

void RegistryKey::close() {
    delete state_;
    state_ = nullptr;
}

}  // namespace platform
