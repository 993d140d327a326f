// The library's entry point: load builds the translation tables from the default registry key;
// unload has nothing to do (the library has no "CleanUp" export).
#include "frame/xlate.h"

namespace {

#if !defined(_WIN32)
__attribute__((constructor)) void onLoad() { zrt::InstallTablesAtLoad(); }
#endif

}  // namespace
