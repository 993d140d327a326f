// The body of every export of the array forms, each defined in its subsystem: the export itself
// is made once for all of them from the list (exports/array_exports.cpp), and only runs its
// body under guarded().
#pragma once

#include "frame/result.h"
#include "zrt32.h"

namespace zrt::body {

#define ZRT_EXPORT(name, ordinal, form) ZRT_BODY_##form(name)
#define ZRT_BODY_Array(name) Result name(const APLArray* arg);
#define ZRT_BODY_Pair(name) Result name(const APLArray* first, const APLArray* second);
#define ZRT_BODY_Plain(name)
#include "exports/exports.inc"
#undef ZRT_EXPORT
#undef ZRT_BODY_Array
#undef ZRT_BODY_Pair
#undef ZRT_BODY_Plain

}  // namespace zrt::body
