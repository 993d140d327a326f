// Building argument arrays in tests, with the library's own allocator (so FreeArray releases
// them and everything nested in them).
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "frame/array.h"

namespace zrt::test {

ArrayPtr ints(std::initializer_list<int32_t> values);   // APLType 4 vector
ArrayPtr intScalar(int32_t value);
ArrayPtr doubles(std::initializer_list<double> values);  // APLType 5 vector
ArrayPtr doubleScalar(double value);
ArrayPtr bools(std::initializer_list<int> values);       // APLType 1 vector
ArrayPtr chars(const std::string& text);                 // character vector
ArrayPtr charScalar(char c);
// A nested vector taking the items over.
ArrayPtr nested(std::vector<ArrayPtr> items);
// Shorthand for a nested argument: nested({...}) from an initializer list of items.
template <class... A>
ArrayPtr args(A&&... items) {
    std::vector<ArrayPtr> v;
    (v.push_back(std::forward<A>(items)), ...);
    return nested(std::move(v));
}

// Reading results.
std::vector<double> numbersOf(const APLArray* a);
std::string textOf(const APLArray* a);
// The code of a result: the single element of a code vector, or 0 for a (0, value) pair.
int32_t codeOf(const APLArray* a);
// Item 1 of a (0, value) pair, or null.
const APLArray* valueOf(const APLArray* a);

}  // namespace zrt::test
