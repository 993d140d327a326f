#include "engine_fixture.h"

#include <cstring>


namespace zrt::test {

ArrayPtr numberVector(const Numbers& values) {
    uint32_t n = static_cast<uint32_t>(values.size());
    ArrayPtr a(AllocArray(kDouble, 1, &n));
    for (uint32_t k = 0; k < n; ++k) setDoubleAt(dataOf(a.get()), k, values[k]);
    return a;
}

ArrayPtr boolVector(const std::vector<int>& values) {
    uint32_t n = static_cast<uint32_t>(values.size());
    ArrayPtr a(AllocArray(kBool, 1, &n));
    std::memset(dataOf(a.get()), 0, (n + 7) / 8);
    for (uint32_t k = 0; k < n; ++k) setBitAt(dataOf(a.get()), k, values[k] != 0);
    return a;
}

ArrayPtr selection(const std::vector<Ids>& dims) {
    std::vector<ArrayPtr> items;
    for (const Ids& d : dims) {
        uint32_t n = static_cast<uint32_t>(d.size());
        items.emplace_back(AllocArray(kInt32, 1, &n));
        if (n) std::memcpy(dataOf(items.back().get()), d.data(), 4 * size_t(n));
    }
    return nested(std::move(items));
}

Ids oneTo(int32_t n) {
    Ids ids(static_cast<size_t>(n));
    for (int32_t k = 0; k < n; ++k) ids[size_t(k)] = k + 1;
    return ids;
}

int32_t codeOfCall(APLArray* (*exportFn)(APLArray*), ArrayPtr arg) {
    ArrayPtr result(exportFn(arg.get()));
    return codeOf(result.get());
}

Numbers answerOfCall(APLArray* (*exportFn)(APLArray*), ArrayPtr arg, int32_t& code) {
    ArrayPtr result(exportFn(arg.get()));
    code = codeOf(result.get());
    const APLArray* value = valueOf(result.get());
    return value ? numbersOf(value) : Numbers{};
}

void EngineTest::SetUp() {
    env_.writeIdentityTranslation();
    ASSERT_EQ(env_.init(), 0u);
}

void EngineTest::newFile(const std::string& name, const std::vector<Ids>& dims,
                         const std::vector<std::string>& items) {
    std::vector<ArrayPtr> descriptors, names;
    for (size_t i = 0; i < dims.size(); ++i)
        descriptors.push_back(args(chars("D" + std::to_string(i)), intScalar(0), intScalar(0)));
    for (const std::string& n : items) names.push_back(chars(n));
    ASSERT_EQ(codeOfCall(New, args(chars(name), intScalar(2), intScalar(0), chars(path(name + ".arr")),
                                   selection(dims), args(args(chars("F"), intScalar(0), intScalar(0))),
                                   nested(std::move(descriptors)), nested(std::move(names)))),
              0)
        << name;
}

void EngineTest::newMemoryArray(const std::string& name, const std::vector<Ids>& dims) {
    ASSERT_EQ(codeOfCall(New, args(chars(name), intScalar(3), selection(dims))), 0) << name;
}

void EngineTest::newMemoryItem(const std::string& name, uint32_t flags, ArrayPtr values) {
    ASSERT_EQ(codeOfCall(New, args(chars(name), intScalar(4), intScalar(int32_t(flags)), std::move(values))), 0)
        << name;
}

void EngineTest::put(const std::string& item, ArrayPtr values) {
    ASSERT_EQ(codeOfCall(Put, args(chars(item), std::move(values))), 0) << item;
}

Numbers EngineTest::get(const std::string& item) {
    int32_t code = -1;
    Numbers v = answerOfCall(Get, args(chars(item)), code);
    EXPECT_EQ(code, 0) << item;
    return v;
}

}  // namespace zrt::test
