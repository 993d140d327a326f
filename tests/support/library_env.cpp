#include "support/library_env.h"

#include <string>

#include "frame/registry.h"
#include "zrt32.h"

namespace zrt::test {

LibraryEnv::LibraryEnv()
    : cwd_(dir_.path()), registry_(dir_.path()), iniDir_("ZRT32_INIDIR", dir_.path()) {}

LibraryEnv::~LibraryEnv() {
    NamedObject* root = nullptr;
    if (LocateObject(".", kAnyKind, root) == kOk) DestroyObject(root);
}

void LibraryEnv::setUserValue(const std::string& section, const std::string& name,
                              const std::string& value, const std::string& base) {
    registry_.set(platform::Hive::CurrentUser, base + "\\" + section, name, value);
}

void LibraryEnv::setMachineValue(const std::string& section, const std::string& name,
                                 const std::string& value, const std::string& base) {
    registry_.set(platform::Hive::LocalMachine, base + "\\" + section, name, value);
}

void LibraryEnv::writeIdentityTranslation() {
    std::string text = "[Charsets]\nDYALOG=DYALOG\nHOST=ANSI\n";
    for (const char* set : {"DYALOG", "ANSI"}) {
        text += std::string("[") + set + "]\nDefaultChar=63\n";
        for (int k = 0; k < 256; k += 16) {
            text += std::to_string(k) + "=";
            for (int b = k; b < k + 16; ++b) text += std::to_string(b) + (b + 1 < k + 16 ? " " : "");
            text += "\n";
        }
    }
    writeFile(dir_.file("APLUNICD.INI"), text);
}

uint32_t LibraryEnv::init(const char* base, const char* iniPath) { return Init(base, iniPath); }

}  // namespace zrt::test
