// The registry as the library sees it, fresh and empty for the scope of a test.
#pragma once

#include <map>
#include <string>

#include "platform/platform.h"

namespace zrt::test {

// POSIX: two hive files in the given directory, named by ZRT32_HKCU and ZRT32_HKLM.
// Windows: two volatile keys under HKEY_CURRENT_USER\Software\zrt32-tests that stand in for
// HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE in this process (RegOverridePredefKey), removed at
// the end; the real hives are neither read nor changed.
class TestRegistry {
public:
    explicit TestRegistry(const std::string& directory);
    ~TestRegistry();
    TestRegistry(const TestRegistry&) = delete;
    TestRegistry& operator=(const TestRegistry&) = delete;

    // A string value; key is a path with backslashes below the hive.
    void set(platform::Hive hive, const std::string& key, const std::string& name,
             const std::string& value);

private:
    using Values = std::map<std::string, std::map<std::string, std::string>>;
    std::string directory_;
    Values user_, machine_;
    struct Native;
    Native* native_ = nullptr;
};

}  // namespace zrt::test
