// Close: destroys an object and everything under it; closing "." ends every object of the
// process.
#include "arrayfile/arguments.h"
#include "frame/export_bodies.h"
#include "frame/registry.h"
#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

Result body::Close(const APLArray* arg) {
    std::string name;
    if (Code c = NameOf(arg, 0, name)) return c;
    NamedObject* object;
    if (Code c = LocateObject(name.c_str(), kAnyKind, object)) return c;
    DestroyObject(object);
    return kOk;
}

}  // namespace zrt
