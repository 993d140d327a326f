// RegistryKey: a key of the system registry opened for reading values.
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32.h"

namespace platform {

struct RegistryKey::State {
    HKEY key = nullptr;
    ~State() {
        if (key) RegCloseKey(key);
    }
};

RegistryKey::~RegistryKey() { close(); }

SysError RegistryKey::open(Hive hive, const std::string& path) {
    close();
    HKEY root = hive == Hive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    HKEY key = nullptr;
    LONG e = RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (e != ERROR_SUCCESS) return static_cast<SysError>(e);
    state_ = new State{key};
    return kOk;
}

// The value is read whole into a buffer of its own first: RegQueryValueExA may leave part of
// a value that does not fit in the caller's buffer, which is to stay as it was. A stored
// string need not end with its NUL; one is added.
SysError RegistryKey::queryString(const std::string& name, char* buffer, uint32_t size) {
    if (!state_) return kInvalidHandle;
    if (!buffer) return kInvalidParameter;
    std::vector<char> value;
    for (int attempt = 0;; ++attempt) {
        DWORD type = 0, bytes = static_cast<DWORD>(value.size());
        LONG e = RegQueryValueExA(state_->key, name.c_str(), nullptr, &type,
                                  value.empty() ? nullptr : reinterpret_cast<BYTE*>(value.data()),
                                  &bytes);
        if (e == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) return kInvalidData;
        if (e == ERROR_SUCCESS && !value.empty()) {
            value.resize(bytes);
            break;
        }
        // The first call asks for the size; a value that grew meanwhile is asked for again.
        if (e != ERROR_SUCCESS && e != ERROR_MORE_DATA) return static_cast<SysError>(e);
        if (attempt == 8) return kMoreData;
        value.assign(bytes + 1, 0);
    }
    size_t length = value.empty() ? 0 : strnlen(value.data(), value.size());
    if (length + 1 > size) return kMoreData;
    std::memcpy(buffer, value.data(), length);
    buffer[length] = 0;
    return kOk;
}

void RegistryKey::close() {
    delete state_;
    state_ = nullptr;
}

}  // namespace platform
