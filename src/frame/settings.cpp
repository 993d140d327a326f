#include "frame/settings.h"

#include <cstring>
#include <string>

#include "frame/log.h"
#include "frame/root.h"
#include "frame/xlate.h"
#include "platform/platform.h"

namespace zrt {

const char* const kDefaultRegistryBase = "Software\\Morvane\\Plenvia8\\Anvelo";

namespace {

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// One hive: the key must open and the value be a string that fits.
platform::SysError readValue(platform::Hive hive, const std::string& path, const char* key,
                             char* buffer, uint32_t size, bool& opened) {
    platform::RegistryKey k;
    platform::SysError e = k.open(hive, path);
    opened = e == platform::kOk;
    if (!opened) return e;
    return k.queryString(key, buffer, size);
}

}  // namespace

// Like the C runtime's 32-bit strtoul: too large a number saturates, a minus sign negates.
uint32_t ParseSettingNumber(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\f' || *p == '\v') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digitValue(p[2]) < 16) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
    }
    uint64_t value = 0;
    for (; digitValue(*p) < base; ++p) {
        value = value * base + digitValue(*p);
        if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    }
    return negative ? static_cast<uint32_t>(0 - value) : static_cast<uint32_t>(value);
}

uint32_t ReadSetting(const char* section, const char* key, const char* defaultValue,
                     char* buffer, uint32_t size, const char* base) {
    if (!buffer || size == 0) return 0;
    std::string path = base ? base : kDefaultRegistryBase;
    if (section) path += std::string("\\") + section;
    bool opened = false;
    platform::SysError e =
        readValue(platform::Hive::CurrentUser, path, key, buffer, size, opened);
    if (e != platform::kOk)
        e = readValue(platform::Hive::LocalMachine, path, key, buffer, size, opened);
    if (e == platform::kOk) return static_cast<uint32_t>(std::strlen(buffer));
    if (LogEnabled(0, kLogRegistry, 3)) {
        LogValue(opened ? "Error in RegQueryValue:" : "Error in RegOpenKey:",
                 static_cast<int32_t>(e));
        LogMessage2("Path:", path.c_str());
        LogMessage2("Key:", key);
    }
    std::strncpy(buffer, defaultValue ? defaultValue : "", size - 1);
    buffer[size - 1] = 0;
    return static_cast<uint32_t>(std::strlen(buffer));
}

uint32_t NumberSetting(const char* section, const char* key, const char* defaultValue,
                       const char* base) {
    char text[kSettingSize];
    ReadSetting(section, key, defaultValue, text, sizeof text, base);
    return ParseSettingNumber(text);
}

std::string TextSetting(const char* section, const char* key, const char* defaultValue,
                        const char* base) {
    char text[kSettingSize];
    ReadSetting(section, key, defaultValue, text, sizeof text, base);
    return text;
}

Code ReadSettings(RootObject& root) {
    const char* base = root.registryBase.c_str();
    if (root.iniPath.empty()) root.iniPath = TextSetting("Main", "FileSysIni", "", base);

    SetTranslationFile(TextSetting("Main", "APLUNICODE", "APLUNICD.INI", base));
    CharsetName dyalog, host;
    ReadCharsetNames(dyalog, host);
    const uint8_t* table = nullptr;
    Code toAPL = ReadXlate(host, dyalog, root.xlateCache, table);
    InstallTable(HostToAPL, toAPL == kOk ? table : nullptr);
    Code code = ReadXlate(dyalog, host, root.xlateCache, table);
    InstallTable(APLToHost, code == kOk ? table : nullptr);
    return code;
}

void ReadDebugSetting(const RootObject& root) {
    SetDebugMask(NumberSetting("MEMORY", "Debug", "0x00000000", root.registryBase.c_str()));
}

}  // namespace zrt
