// The operating system's version and the folder dialog.
#include <cstring>

#include "platform/platform.h"
#include "platform/win32/win32.h"
#include <shlobj.h>

namespace platform {

namespace {

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);

// RtlGetVersion tells the truth; GetVersionExA tells a program without a compatibility
// manifest (the interpreter's, for one) that it runs on Windows 8.
bool trueVersion(OSVERSIONINFOW& info) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    FARPROC proc = ntdll ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
    if (!proc) return false;
    auto get = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void (*)()>(proc));
    info = {};
    info.dwOSVersionInfoSize = sizeof info;
    return get(&info) == 0;
}

// Whether a dialog could be seen: a service's window station is invisible, and a dialog on
// it would wait for ever.
bool hasDesktop() {
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    HWINSTA station = GetProcessWindowStation();
    if (!station || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed))
        return false;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

// Selects the start folder once the dialog is up.
int CALLBACK onBrowseEvent(HWND window, UINT message, LPARAM, LPARAM startFolder) {
    if (message == BFFM_INITIALIZED && startFolder)
        SendMessageA(window, BFFM_SETSELECTIONA, TRUE, startFolder);
    return 0;
}

}  // namespace

SysError osVersion(OsVersion& out) {
    out = OsVersion{};
    OSVERSIONINFOW info;
    if (trueVersion(info)) {
        out = {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
        return kOk;
    }
    OSVERSIONINFOA old{};
    old.dwOSVersionInfoSize = sizeof old;
    if (!GetVersionExA(&old)) return win32::lastError();
    out = {old.dwPlatformId, old.dwMajorVersion, old.dwMinorVersion, old.dwBuildNumber};
    return kOk;
}

// Without a visible desktop the answer is "cancelled" at once. Under wine without a display
// the system fails to make the window and says the same.
int browseFolder(const char* title, const char* startFolder, char* buffer, uint32_t size) {
    if (!buffer || size == 0 || !hasDesktop()) return 0;
    char display[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = GetActiveWindow();
    info.pszDisplayName = display;
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = onBrowseEvent;
    info.lParam = reinterpret_cast<LPARAM>(startFolder && *startFolder ? startFolder : nullptr);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
    if (!chosen) return 0;
    char path[MAX_PATH] = {};
    BOOL ok = SHGetPathFromIDListA(chosen, path);
    CoTaskMemFree(chosen);
    size_t length = std::strlen(path);
    if (!ok || length == 0 || length + 1 > size) return 0;
    std::memcpy(buffer, path, length + 1);
    return 1;
}

}  // namespace platform
