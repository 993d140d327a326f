#include "configuration.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include "os.h"

namespace zrt::host {

#if defined(_WIN32)

void offerConfiguration(std::ostream&) {}

#else

namespace {

namespace fs = std::filesystem;

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// The user's registry file where the library looks for it when ZRT32_HKCU is not set.
std::string userRegistryFile() {
    std::string config = environment("XDG_CONFIG_HOME");
    if (config.empty() || config[0] != '/') config = environment("HOME") + "/.config";
    return config + "/zrt32/registry.ini";
}

constexpr const char* kMachineRegistryFile = "/etc/zrt32/registry.ini";

bool present(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec);
}

// The example configuration: installed beside zrt, or in the sources of this build.
fs::path exampleConfiguration() {
    std::string self = os::executablePath();
    fs::path candidates[] = {
        self.empty() ? fs::path() : fs::path(self).parent_path() / ZRT_CONFIG_INSTALLED,
        fs::path(ZRT_CONFIG_SOURCE),
    };
    for (const fs::path& dir : candidates)
        if (!dir.empty() && present(dir / "registry.ini")) return fs::weakly_canonical(dir);
    return {};
}

}  // namespace

void offerConfiguration(std::ostream& err) {
    if (!environment("ZRT32_HKCU").empty() || !environment("ZRT32_HKLM").empty()) return;
    std::string user = userRegistryFile();
    if (present(user) || present(kMachineRegistryFile)) return;

    err << "zrt: no configuration: neither " << user << " nor " << kMachineRegistryFile
        << " exists,\n     and ZRT32_HKCU and ZRT32_HKLM are not set.\n";
    fs::path example = exampleConfiguration();
    std::string error;
    if (!example.empty() &&
        os::setEnvironment("ZRT32_HKCU", (example / "registry.ini").string(), error) &&
        (!environment("ZRT32_INIDIR").empty() ||
         os::setEnvironment("ZRT32_INIDIR", example.string(), error))) {
        err << "zrt: using the example configuration in " << example.string() << ".\n";
    } else {
        err << "zrt: Init would fail with 10036 and every later call with 10006.\n";
        example = "examples/config";
    }
    err << "     To make it yours: mkdir -p " << fs::path(user).parent_path().string()
        << " && cp " << example.string() << "/* " << fs::path(user).parent_path().string()
        << "\n     and set ZRT32_INIDIR to that directory (docs/configuration.md has every"
           " setting).\n";
}

#endif

}  // namespace zrt::host
