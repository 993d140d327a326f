// The body of every export of the array forms, each defined in its subsystem: the export itself
// is made once for all of them from the list (exports/array_exports.cpp), and only runs its
// body under guarded().
#pragma once

#include <cstdint>

#include "frame/codes.h"
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

// Plain-argument exports have C signatures of their own: each is written out in its subsystem
// as a call of its body under guardedCode(). The bodies that hold more than a call:
[[nodiscard]] Code LogIn(int32_t* userNumber, const char* userName);
[[nodiscard]] Code LogOut(int32_t slot);
[[nodiscard]] Code LockNLD(const char* name, int32_t library, int32_t dt, uint32_t mode,
                           int32_t* lock, char* userName);
[[nodiscard]] Code ReleaseNLD(int32_t handle);
[[nodiscard]] Code APLCalcSize(void** variable, uint32_t* size);
[[nodiscard]] Code APLPack(void** variable, uint32_t* size, void* destination);
[[nodiscard]] Code APLGetVersion(uint32_t* platformId, uint32_t* major, uint32_t* minor, uint32_t* build);

}  // namespace zrt::body
