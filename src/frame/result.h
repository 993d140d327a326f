// What an export hands back: a code, or a new array. guarded() is the one place where a
// Result becomes the export's result array and where running out of memory becomes 10012;
// exports contain no try.
#pragma once

#include <new>
#include <utility>

#include "frame/args.h"
#include "frame/array.h"
#include "frame/codes.h"

namespace zrt {

class Result {
public:
    Result(Code code) : code_(code) {}  // NOLINT: a code is a result
    Result(ArrayPtr array) : code_(array ? kOk : kNoMemory), array_(std::move(array)) {}  // NOLINT

    [[nodiscard]] Code code() const { return code_; }
    APLArray* release() { return array_.release(); }

private:
    Code code_;
    ArrayPtr array_;
};

// Runs an array export's body: CodeOrResult of what it returns, 10012 when memory ran out.
template <class Body>
APLArray* guarded(Body&& body) {
    try {
        Result r = body();
        return CodeOrResult(r.code(), r.release());
    } catch (const std::bad_alloc&) {
        return CodeResult(kNoMemory);
    }
}

// The same for exports that return their code as a plain number.
template <class Body>
[[nodiscard]] Code guardedCode(Body&& body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return kNoMemory;
    }
}

}  // namespace zrt
