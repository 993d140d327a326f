// Close: destroys an object and everything under it; closing "." ends every object of the
// process.
#include "arrayfile/arguments.h"
#include "frame/registry.h"
#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

namespace {

Code closeObject(const APLArray* arg) {
    std::string name;
    if (Code c = NameOf(arg, 0, name)) return c;
    NamedObject* object;
    if (Code c = LocateObject(name.c_str(), kAnyKind, object)) return c;
    DestroyObject(object);
    return kOk;
}

}  // namespace

}  // namespace zrt

extern "C" ZRT_PUBLIC APLArray* ZRT_API Close(APLArray* arg) {
    return zrt::guarded([&]() -> zrt::Result { return zrt::closeObject(arg); });
}
