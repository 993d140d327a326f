// Arguments for the exports, built the way the interpreter hands them over; shared by the
// benchmarks that call exports.
#pragma once

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "frame/array.h"

namespace bench {

using zrt::ArrayPtr;

inline ArrayPtr text(const std::string& s) {
    uint32_t n = static_cast<uint32_t>(s.size());
    ArrayPtr a(zrt::AllocArray(zrt::kChar, 1, &n));
    std::memcpy(zrt::dataOf(a.get()), s.data(), n);
    return a;
}

inline ArrayPtr integer(int32_t v) {
    ArrayPtr a(zrt::AllocArray(zrt::kInt32, 0, nullptr));
    std::memcpy(zrt::dataOf(a.get()), &v, 4);
    return a;
}

inline ArrayPtr numbers(const std::vector<double>& v) {
    uint32_t n = static_cast<uint32_t>(v.size());
    ArrayPtr a(zrt::AllocArray(zrt::kDouble, 1, &n));
    std::memcpy(zrt::dataOf(a.get()), v.data(), 8 * size_t(n));
    return a;
}

// The ids first, first + step, ... up to last.
inline ArrayPtr ids(int32_t first, int32_t last, int32_t step) {
    std::vector<int32_t> v;
    for (int32_t k = first; step > 0 ? k <= last : k >= last; k += step) v.push_back(k);
    uint32_t n = static_cast<uint32_t>(v.size());
    ArrayPtr a(zrt::AllocArray(zrt::kInt32, 1, &n));
    std::memcpy(zrt::dataOf(a.get()), v.data(), 4 * size_t(n));
    return a;
}

inline ArrayPtr list(std::vector<ArrayPtr> items) {
    uint32_t n = static_cast<uint32_t>(items.size());
    ArrayPtr a(zrt::AllocArray(zrt::kNested, 1, &n));
    for (uint32_t i = 0; i < n; ++i) zrt::setSlot(a.get(), i, items[i].release());
    return a;
}

template <class... A>
ArrayPtr args(A&&... items) {
    std::vector<ArrayPtr> v;
    (v.push_back(std::forward<A>(items)), ...);
    return list(std::move(v));
}

// The code of an export's result (0 for a nested answer), the result freed.
inline uint32_t codeOf(APLArray* result) {
    ArrayPtr r(result);
    return zrt::typeOf(r.get()) == zrt::kNested ? 0 : zrt::numberAt(r.get(), 0);
}

}  // namespace bench
