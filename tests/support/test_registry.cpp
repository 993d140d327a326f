#include "support/test_registry.h"

#include <cstdlib>
#include <map>
#include <string>

#include "support/test_support.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace zrt::test {

#ifdef _WIN32

namespace {

constexpr const char* kTestsKey = "Software\\zrt32-tests";

HKEY createVolatileKey(HKEY parent, const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        std::abort();
    return key;
}

}  // namespace

struct TestRegistry::Native {
    std::string rootPath;  // below the real HKEY_CURRENT_USER
    HKEY user = nullptr, machine = nullptr;
};

TestRegistry::TestRegistry(const std::string& directory)
    : directory_(directory), native_(new Native) {
    static unsigned serial = 0;
    native_->rootPath = std::string(kTestsKey) + "\\" + std::to_string(GetCurrentProcessId()) +
                        "-" + std::to_string(++serial);
    // Made volatile from the top, so that nothing outlives the session even after a crash.
    RegCloseKey(createVolatileKey(HKEY_CURRENT_USER, kTestsKey));
    native_->user = createVolatileKey(HKEY_CURRENT_USER, native_->rootPath + "\\user");
    native_->machine = createVolatileKey(HKEY_CURRENT_USER, native_->rootPath + "\\machine");
    if (RegOverridePredefKey(HKEY_CURRENT_USER, native_->user) != ERROR_SUCCESS ||
        RegOverridePredefKey(HKEY_LOCAL_MACHINE, native_->machine) != ERROR_SUCCESS)
        std::abort();
}

TestRegistry::~TestRegistry() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(native_->user);
    RegCloseKey(native_->machine);
    RegDeleteTreeA(HKEY_CURRENT_USER, native_->rootPath.c_str());
    delete native_;
}

void TestRegistry::set(platform::Hive hive, const std::string& key, const std::string& name,
                       const std::string& value) {
    HKEY parent = hive == platform::Hive::CurrentUser ? native_->user : native_->machine;
    HKEY k = createVolatileKey(parent, key);
    RegSetValueExA(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(k);
}

#else

namespace {

void writeHive(const std::string& file,
               const std::map<std::string, std::map<std::string, std::string>>& values) {
    std::string text;
    for (const auto& [section, entries] : values) {
        text += "[" + section + "]\n";
        for (const auto& [name, value] : entries) text += name + "=" + value + "\n";
    }
    writeFile(file, text);
}

}  // namespace

// The hive files are named in the environment for the scope.
struct TestRegistry::Native {
    ScopedEnv user, machine;
};

TestRegistry::TestRegistry(const std::string& directory)
    : directory_(directory),
      native_(new Native{ScopedEnv("ZRT32_HKCU", directory + "/hkcu.ini"),
                         ScopedEnv("ZRT32_HKLM", directory + "/hklm.ini")}) {}

TestRegistry::~TestRegistry() { delete native_; }

void TestRegistry::set(platform::Hive hive, const std::string& key, const std::string& name,
                       const std::string& value) {
    bool user = hive == platform::Hive::CurrentUser;
    Values& values = user ? user_ : machine_;
    values[key][name.empty() ? "@" : name] = value;  // "@" is the default value
    writeHive(directory_ + (user ? "/hkcu.ini" : "/hklm.ini"), values);
}

#endif

}  // namespace zrt::test
