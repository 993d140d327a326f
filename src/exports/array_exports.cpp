// The exports of the array forms, one definition per form, made from the list: each reads
// nothing and catches nothing itself, but runs its body (frame/export_bodies.h) under guarded(),
// where a code or a new array becomes the interpreter's result.
#include "frame/export_bodies.h"
#include "frame/result.h"
#include "zrt32.h"

#define ZRT_EXPORT(name, ordinal, form) ZRT_EXPORT_##form(name)
#define ZRT_EXPORT_Array(name)                                                  \
    extern "C" ZRT_PUBLIC APLArray* ZRT_API name(APLArray* arg) {               \
        return zrt::guarded([&] { return zrt::body::name(arg); });              \
    }
#define ZRT_EXPORT_Pair(name)                                                   \
    extern "C" ZRT_PUBLIC APLArray* ZRT_API name(APLArray* first, APLArray* second) { \
        return zrt::guarded([&] { return zrt::body::name(first, second); });   \
    }
#define ZRT_EXPORT_Plain(name)
#include "exports/exports.inc"
