#include "fixture.h"

#include <cstring>

namespace zrt::test {

ArrayPtr idVector(const Ids& ids) {
    uint32_t n = static_cast<uint32_t>(ids.size());
    ArrayPtr a(AllocArray(kInt32, 1, &n));
    for (uint32_t k = 0; k < n; ++k) std::memcpy(dataOf(a.get()) + 4 * k, &ids[k], 4);
    return a;
}

ArrayPtr selection(const std::vector<Ids>& dims) {
    std::vector<ArrayPtr> items;
    for (const Ids& d : dims) items.push_back(idVector(d));
    return nested(std::move(items));
}

ArrayPtr fileDescriptor(const std::string& name) {
    return args(args(chars(name), intScalar(1), intScalar(2)));
}

ArrayPtr dimDescriptors(uint32_t rank) {
    std::vector<ArrayPtr> items;
    for (uint32_t i = 0; i < rank; ++i)
        items.push_back(args(chars("Dim" + std::to_string(i)), intScalar(int32_t(i)), intScalar(7)));
    return nested(std::move(items));
}

int32_t codeOfCall(APLArray* (*exportFn)(APLArray*), ArrayPtr arg) {
    ArrayPtr result(exportFn(arg.get()));
    return codeOf(result.get());
}

Values getValues(ArrayPtr arg) {
    ArrayPtr result(Get(arg.get()));
    Values v;
    v.code = codeOf(result.get());
    if (const APLArray* a = valueOf(result.get())) {
        v.type = typeOf(a);
        v.shape.assign(shapeOf(a), shapeOf(a) + rankOf(a));
        v.cells = numbersOf(a);
    }
    return v;
}

void ArrayFiles::SetUp() {
    env_.writeIdentityTranslation();
    ASSERT_EQ(env_.init(), 0u);
}

int32_t ArrayFiles::newFile(const std::string& name, const std::string& file,
                            const std::vector<Ids>& dims, const std::vector<std::string>& items) {
    std::vector<ArrayPtr> names;
    for (const std::string& n : items) names.push_back(chars(n));
    uint32_t rank = static_cast<uint32_t>(dims.size());
    if (items.empty())
        return codeOfCall(New, args(chars(name), intScalar(2), intScalar(0), chars(file),
                                    selection(dims), fileDescriptor(), dimDescriptors(rank)));
    return codeOfCall(New, args(chars(name), intScalar(2), intScalar(0), chars(file),
                                selection(dims), fileDescriptor(), dimDescriptors(rank),
                                nested(std::move(names))));
}

int32_t ArrayFiles::openFile(const std::string& name, const std::string& file) {
    return codeOfCall(New, args(chars(name), intScalar(2), intScalar(1), chars(file)));
}

int32_t ArrayFiles::newMemoryArray(const std::string& name, ArrayPtr sel) {
    return codeOfCall(New, args(chars(name), intScalar(3), std::move(sel)));
}

int32_t ArrayFiles::close(const std::string& name) { return codeOfCall(Close, args(chars(name))); }

int32_t ArrayFiles::put(const std::string& item, ArrayPtr values) {
    return codeOfCall(Put, args(chars(item), std::move(values)));
}

int32_t ArrayFiles::put(const std::string& item, ArrayPtr values, ArrayPtr sel) {
    return codeOfCall(Put, args(chars(item), std::move(values), std::move(sel)));
}

Values ArrayFiles::get(const std::string& item) { return getValues(args(chars(item))); }

Values ArrayFiles::get(const std::string& item, ArrayPtr sel) {
    return getValues(args(chars(item), std::move(sel)));
}

}  // namespace zrt::test
