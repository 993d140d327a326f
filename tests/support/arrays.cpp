#include "support/arrays.h"

#include <cstring>

namespace zrt::test {

namespace {

template <class T>
ArrayPtr vectorOf(uint32_t type, const T* values, uint32_t n) {
    ArrayPtr a(AllocArray(type, 1, &n));
    if (n) std::memcpy(dataOf(a.get()), values, sizeof(T) * n);
    return a;
}

}  // namespace

ArrayPtr ints(std::initializer_list<int32_t> values) {
    return vectorOf(kInt32, values.begin(), static_cast<uint32_t>(values.size()));
}

ArrayPtr intScalar(int32_t value) {
    ArrayPtr a(AllocScalar(kInt32));
    std::memcpy(dataOf(a.get()), &value, 4);
    return a;
}

ArrayPtr doubles(std::initializer_list<double> values) {
    return vectorOf(kDouble, values.begin(), static_cast<uint32_t>(values.size()));
}

ArrayPtr doubleScalar(double value) {
    ArrayPtr a(AllocScalar(kDouble));
    std::memcpy(dataOf(a.get()), &value, 8);
    return a;
}

ArrayPtr bools(std::initializer_list<int> values) {
    ArrayPtr a(AllocVector(kBool, static_cast<uint32_t>(values.size())));
    std::memset(dataOf(a.get()), 0, (values.size() + 7) / 8);
    uint32_t k = 0;
    for (int v : values) setBitAt(dataOf(a.get()), k++, v != 0);
    return a;
}

ArrayPtr chars(const std::string& text) {
    return vectorOf(kChar, text.data(), static_cast<uint32_t>(text.size()));
}

ArrayPtr charScalar(char c) {
    ArrayPtr a(AllocScalar(kChar));
    dataOf(a.get())[0] = static_cast<uint8_t>(c);
    return a;
}

ArrayPtr nested(std::vector<ArrayPtr> items) {
    ArrayPtr a(AllocVector(kNested, static_cast<uint32_t>(items.size())));
    for (uint32_t i = 0; i < items.size(); ++i) setSlot(a.get(), i, items[i].release());
    return a;
}

std::vector<double> numbersOf(const APLArray* a) {
    std::vector<double> v;
    if (!a || !isSimpleNumeric(typeOf(a))) return v;
    for (uint32_t k = 0, n = cellCount(a); k < n; ++k) v.push_back(numberAt(a, k));
    return v;
}

std::string textOf(const APLArray* a) {
    if (!a || typeOf(a) != kChar) return {};
    return std::string(reinterpret_cast<const char*>(dataOf(a)), cellCount(a));
}

int32_t codeOf(const APLArray* a) {
    if (!a) return -1;
    if (typeOf(a) == kNested) return 0;
    return static_cast<int32_t>(numberAt(a, 0));
}

const APLArray* valueOf(const APLArray* a) {
    if (!a || typeOf(a) != kNested || cellCount(a) != 2) return nullptr;
    return slotAt(a, 1);
}

}  // namespace zrt::test
