// The library's entry point: load builds the translation tables from the default registry key;
// unload has nothing to do (the library has no "CleanUp" export).
#include <cstdint>

#include "frame/xlate.h"
#include "zrt32.h"

#if defined(_WIN32)

// DllMain with the plain types behind HINSTANCE, DWORD, LPVOID and BOOL, so that no system
// header is needed here. Reason 1 is DLL_PROCESS_ATTACH.
extern "C" ZRT_PUBLIC int ZRT_API DllMain(void* module, unsigned long reason, void* reserved) {
    (void)module;
    (void)reserved;
    if (reason == 1) zrt::InstallTablesAtLoad();
    return 1;
}

#else

namespace {

__attribute__((constructor)) void onLoad() { zrt::InstallTablesAtLoad(); }

}  // namespace

#endif
