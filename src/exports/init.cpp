// Init: creates the root object of the process, rotates the logs and reads the settings: the
// frame's, then each subsystem's into its slot of the root, then the debug mask.
#include "arrayfile/objects.h"
#include "fastpath/scar_file.h"
#include "frame/log.h"
#include "frame/result.h"
#include "frame/root.h"
#include "frame/settings.h"
#include "locking/lock_file.h"
#include "zrt32.h"

namespace zrt {

namespace {

Code readEverySetting(RootObject& root) {
    Code code = ReadSettings(root);
    ReadLockingSettings(root);
    ReadArraySettings(root);
    ReadScarSettings(root);
    ReadDebugSetting(root);
    return code;
}

}  // namespace

}  // namespace zrt

// A repeated call gives 10011 and changes nothing (but the logs are rotated again).
extern "C" ZRT_PUBLIC uint32_t ZRT_API Init(const char* registryBase, const char* iniPath) {
    using namespace zrt;
    return guardedCode([&]() -> Code {
        NamedObject* object = nullptr;
        Code code = LocateObject(".", kRootKind, object,
                                 [] { return std::make_unique<RootObject>(); });
        RotateLogs(3);
        if (code == kOk) {
            auto* root = as<RootObject>(object);
            root->registryBase =
                registryBase && *registryBase ? registryBase : kDefaultRegistryBase;
            if (iniPath && *iniPath) root->iniPath = iniPath;
            code = readEverySetting(*root);
        }
        if (code != kOk && code != kRootExists) DestroyObject(object);
        return code;
    });
}
