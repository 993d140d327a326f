// A fresh world for tests that call Init: a temporary working directory (where the log goes),
// an empty registry (files on POSIX, stand-in keys on Windows) and an initialisation directory
// of its own, and no root object left behind.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "support/test_registry.h"
#include "support/test_support.h"

namespace zrt::test {

class LibraryEnv {
public:
    LibraryEnv();
    ~LibraryEnv();  // closes the root object, restores directory and environment

    const TempDir& dir() const { return dir_; }
    std::string file(const std::string& name) const { return dir_.file(name); }

    // Registry values of the current user / the machine under base\section.
    void setUserValue(const std::string& section, const std::string& name,
                      const std::string& value,
                      const std::string& base = "Software\\Morvane\\Plenvia8\\Anvelo");
    void setMachineValue(const std::string& section, const std::string& name,
                         const std::string& value,
                         const std::string& base = "Software\\Morvane\\Plenvia8\\Anvelo");
    // A translation file "APLUNICD.INI" in the directory whose two sets are the identity.
    void writeIdentityTranslation();
    // Init with the default key and no initialisation file; the code it returned.
    uint32_t init(const char* base = "", const char* iniPath = nullptr);

private:
    TempDir dir_;
    ScopedCwd cwd_;
    TestRegistry registry_;
    ScopedEnv iniDir_;
};

}  // namespace zrt::test
