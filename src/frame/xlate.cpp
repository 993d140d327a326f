#include "frame/xlate.h"

#include <cstdlib>
#include <cstring>

#include "frame/log.h"
#include "frame/settings.h"
#include "platform/ascii_case.h"
#include "platform/platform.h"

namespace zrt {

namespace {

// Constant-initialised, so that the tables are the identity before any code of the library
// runs, the load-time build included.
constexpr XlateTable identityTable() {
    XlateTable t{};
    for (int b = 0; b < 256; ++b) t[b] = static_cast<uint8_t>(b);
    return t;
}

// Made on first use: the load-time build may run before other static objects exist.
std::string& translationFile() {
    static std::string name;
    return name;
}
CharsetName& dyalogName() {
    static CharsetName name = CharsetName::of("DYALOG");
    return name;
}
CharsetName& hostName() {
    static CharsetName name = CharsetName::of("HOST");
    return name;
}

// A value of the translation file is read up to its 131st character.
constexpr uint32_t kValueSize = 132;

void translate(uint8_t* p, uint32_t n, const XlateTable& table) {
    n &= 0xFFFFu;
    for (uint32_t k = 0; k < n; ++k) p[k] = table[p[k]];
}

// The section of a character set: its name cut at the first blank.
std::string sectionOf(const CharsetName& name) {
    std::string s(name.text);
    return s.substr(0, s.find(' '));
}

std::string profileValue(const std::string& section, const char* key) {
    char value[kValueSize];
    platform::profileString(section.c_str(), key, "", value, sizeof value,
                            translationFile().c_str());
    return value;
}

// DefaultChar of a section as a byte, or false when it is missing or empty.
bool defaultCharOf(const std::string& section, uint8_t& out) {
    std::string value = profileValue(section, "DefaultChar");
    if (value.empty()) return false;
    out = static_cast<uint8_t>(std::strtol(value.c_str(), nullptr, 10));
    return true;
}

}  // namespace

XlateTable HostToAPL = identityTable();
XlateTable APLToHost = identityTable();

void TranslateToAPL(void* bytes, uint32_t n) { translate(static_cast<uint8_t*>(bytes), n, HostToAPL); }

void TranslateToHostN(void* bytes, uint32_t n) {
    translate(static_cast<uint8_t*>(bytes), n, APLToHost);
}

void TranslateToHost(char* text) {
    for (auto* p = reinterpret_cast<uint8_t*>(text); *p; ++p) *p = APLToHost[*p];
}

CharsetName CharsetName::of(const char* name) {
    CharsetName n;
    std::memset(n.text, ' ', 6);
    n.text[6] = 0;
    for (int k = 0; k < 6 && name && name[k]; ++k) n.text[k] = name[k];
    return n;
}

bool CharsetName::sameAs(const CharsetName& other) const {
    return platform::sameIgnoringCase({text, 6}, {other.text, 6});
}

void SetTranslationFile(const std::string& path) { translationFile() = path; }
const CharsetName& DyalogCharset() { return dyalogName(); }

void ReadCharsetNames(CharsetName& dyalog, CharsetName& host) {
    char value[kValueSize];
    platform::profileString("Charsets", "DYALOG", "NONAME", value, sizeof value,
                            translationFile().c_str());
    dyalog = dyalogName() = CharsetName::of(value);
    platform::profileString("Charsets", "HOST", "NOHOST", value, sizeof value,
                            translationFile().c_str());
    host = hostName() = CharsetName::of(value);
}

bool ReadXlateCodes(const char* section, int32_t out[256]) {
    std::memset(out, 0, 256 * sizeof(int32_t));
    uint32_t k = 0;
    while (k < 256) {
        std::string value = profileValue(section, std::to_string(k).c_str());
        uint32_t before = k;
        const char* p = value.c_str();
        while (*p && k < 256) {
            while (*p == ' ' || *p == ',') ++p;
            if (!*p) break;
            out[k++] = static_cast<int32_t>(std::strtol(p, nullptr, 10));
            while (*p && *p != ' ' && *p != ',') ++p;
        }
        // A missing key (or one that gives no number) would leave the reader waiting for it
        // forever: the section is unusable.
        if (k == before) return false;
    }
    return true;
}

Code BuildXlateTable(XlateEntry& entry) {
    std::string source = sectionOf(entry.source), target = sectionOf(entry.target);
    uint8_t sourceDefault, targetDefault;
    if (!defaultCharOf(source, sourceDefault) || !defaultCharOf(target, targetDefault))
        return kNoDefaultChar;
    std::memset(entry.table, targetDefault, sizeof entry.table);
    int32_t s[256], t[256];
    if (!ReadXlateCodes(source.c_str(), s) || !ReadXlateCodes(target.c_str(), t))
        return kNoDefaultChar;
    for (int i = 0; i < 256; ++i) {
        for (int j = 0; j < 256; ++j) {
            if (t[j] == s[i]) {
                entry.table[i] = static_cast<uint8_t>(j);
                break;
            }
        }
    }
    return kOk;
}

Code ReadXlate(const CharsetName& source, const CharsetName& target, XlateCache& cache,
               const uint8_t*& table) {
    table = nullptr;
    if (source.sameAs(target)) return kOk;
    for (const XlateEntry& e : cache) {
        if (e.source.sameAs(source) && e.target.sameAs(target)) {
            table = e.table;
            return kOk;
        }
    }
    XlateEntry entry{source, target, {}};
    if (Code c = BuildXlateTable(entry)) return c;
    cache.push_back(entry);
    table = cache.back().table;
    return kOk;
}

void InstallTable(XlateTable& into, const uint8_t* table) {
    for (int b = 0; b < 256; ++b) into[b] = table ? table[b] : static_cast<uint8_t>(b);
}

void InstallTablesAtLoad() {
    char name[1024];
    ReadSetting("Main", "APLUNICODE", "", name, sizeof name, nullptr);
    int32_t code = -1;
    const uint8_t* toHost = nullptr;
    const uint8_t* toAPL = nullptr;
    XlateCache cache;
    if (!name[0]) {
        LogMessage("Can not read APLUNICODE from Environment");
    } else {
        SetTranslationFile(name);
        CharsetName dyalog, host;
        ReadCharsetNames(dyalog, host);
        code = static_cast<int32_t>(ReadXlate(dyalog, host, cache, toHost));
        if (code == 0) code = static_cast<int32_t>(ReadXlate(host, dyalog, cache, toAPL));
    }
    if (code == 0) {
        InstallTable(APLToHost, toHost);
        InstallTable(HostToAPL, toAPL);
    } else {
        InstallTable(APLToHost, nullptr);
        InstallTable(HostToAPL, nullptr);
        LogValue("ReadXlate returns:", code);
    }
}

}  // namespace zrt
