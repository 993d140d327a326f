#include "engine_fixture.h"

#include <cmath>
#include <cstring>
#include <numeric>

namespace zrt::test {

ArrayPtr numberVector(const Numbers& values) {
    uint32_t n = static_cast<uint32_t>(values.size());
    ArrayPtr a(AllocArray(kDouble, 1, &n));
    for (uint32_t k = 0; k < n; ++k) setDoubleAt(dataOf(a.get()), k, values[k]);
    return a;
}

ArrayPtr boolVector(const Numbers& values) {
    uint32_t n = static_cast<uint32_t>(values.size());
    ArrayPtr a(AllocArray(kBool, 1, &n));
    std::memset(dataOf(a.get()), 0, (n + 7) / 8);
    for (uint32_t k = 0; k < n; ++k) setBitAt(dataOf(a.get()), k, values[k] != 0);
    return a;
}

ArrayPtr selection(const std::vector<Ids>& dims) {
    std::vector<ArrayPtr> items;
    for (const Ids& d : dims) items.push_back(numberVector(Numbers(d.begin(), d.end())));  // whole numbers are ids
    return nested(std::move(items));
}

Ids oneTo(int32_t n) {
    Ids ids(static_cast<size_t>(n));
    std::iota(ids.begin(), ids.end(), 1);
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

void expectCells(const Numbers& got, const Numbers& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < want.size(); ++k)
        EXPECT_TRUE(got[k] == want[k] || (std::isnan(got[k]) && std::isnan(want[k]))) << "cell " << k << ": " << got[k];
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

Numbers EngineTest::get(const std::string& item) {
    int32_t code = -1;
    Numbers v = answerOfCall(Get, args(chars(item)), code);
    EXPECT_EQ(code, 0) << item;
    return v;
}

}  // namespace zrt::test
