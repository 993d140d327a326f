// What the harnesses share: the library initialised once, in a fresh directory that is the
// working directory, and a failure that stops the fuzzer with the input that caused it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "frame/root.h"
#include "support/arrays.h"
#include "support/library_env.h"

namespace zrt::fuzz {

inline test::LibraryEnv& env() {
    // The registry's list of roots is made first, so that it outlives the environment, which
    // closes the root at exit.
    static const bool registryFirst = CurrentRoot() == nullptr;
    (void)registryFirst;
    static test::LibraryEnv e;
    static const bool ready = [] {
        e.writeIdentityTranslation();
        return e.init() == 0;
    }();
    if (!ready) std::abort();
    return e;
}

inline std::string bytesOf(const uint8_t* data, size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// A property that must hold does not: the fuzzer keeps the input.
[[noreturn]] inline void violated(const char* what) {
    std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
}

}  // namespace zrt::fuzz
