// Profile values on Windows: GetPrivateProfileStringA.
#include <string>
#include <vector>

#include "platform/common/backend.h"
#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform::backend {

std::string profileValue(const char* section, const char* key, const std::string& fallback,
                         const std::string& path, uint32_t size) {
    std::vector<char> value(size);
    DWORD n = GetPrivateProfileStringA(section, key, fallback.c_str(), value.data(), size,
                                       path.c_str());
    return std::string(value.data(), n);
}

}  // namespace platform::backend
