#include "fixture.h"

#include <cstring>

#include "arrayfile/file_layer.h"
#include "platform/platform.h"

namespace zrt::test {

Ids oneTo(int32_t n) {
    Ids ids(static_cast<size_t>(n));
    for (int32_t k = 0; k < n; ++k) ids[size_t(k)] = k + 1;
    return ids;
}

ArrayPtr idVector(const Ids& ids) {
    uint32_t n = static_cast<uint32_t>(ids.size());
    ArrayPtr a(AllocArray(kInt32, 1, &n));
    if (n) std::memcpy(dataOf(a.get()), ids.data(), 4 * size_t(n));
    return a;
}

ArrayPtr selection(const std::vector<Ids>& dims) {
    std::vector<ArrayPtr> items;
    for (const Ids& d : dims) items.push_back(idVector(d));
    return nested(std::move(items));
}

ArrayPtr fileDescriptor(const std::string& name) { return args(args(chars(name), intScalar(1), intScalar(2))); }

ArrayPtr dimDescriptors(uint32_t rank) {
    std::vector<ArrayPtr> items;
    for (uint32_t i = 0; i < rank; ++i)
        items.push_back(args(chars("Dim" + std::to_string(i)), intScalar(int32_t(i)), intScalar(7)));
    return nested(std::move(items));
}

ArrayPtr createArgs(const std::string& name, const std::string& file, ArrayPtr dims,
                    uint32_t rank, ArrayPtr items) {
    if (!items) return args(chars(name), intScalar(2), intScalar(0), chars(file), std::move(dims), fileDescriptor(), dimDescriptors(rank));
    return args(chars(name), intScalar(2), intScalar(0), chars(file), std::move(dims), fileDescriptor(), dimDescriptors(rank), std::move(items));
}

void writeThroughLayer(ArrayFileObject& file, const std::string& path, const std::vector<Ids>& dims,
                       const std::vector<ItemSpec>& items) {
    ASSERT_EQ(BuildFromSelection(selection(dims).get(), nullptr, file.structure, 0, false), kOk);
    for (const ItemSpec& item : items) MakeItem(&file, item.name, item.flags);
    FilePlan plan;
    ASSERT_EQ(PlanFileCreate(file, fileDescriptor().get(), dimDescriptors(uint32_t(dims.size())).get(), plan), kOk);
    ASSERT_EQ(platform::File::open(path, platform::kReadWrite, platform::kShareReadWrite,
                                   platform::Disposition::CreateAlways, file.file),
              platform::kOk);
    ASSERT_EQ(FileCreate(file, plan), kOk);
}

uint32_t word(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = v << 8 | uint8_t(bytes.at(at + size_t(k)));
    return v;
}

int32_t codeOfCall(APLArray* (*exportFn)(APLArray*), ArrayPtr arg) { return codeOf(ArrayPtr(exportFn(arg.get())).get()); }

NamedObject* find(const std::string& name, uint32_t kind) {
    NamedObject* o = nullptr;
    return LocateObject(name.c_str(), kind, o) == kOk ? o : nullptr;
}

int32_t ArrayFiles::newFile(const std::string& name, const std::string& file,
                            const std::vector<Ids>& dims, const std::vector<std::string>& items) {
    std::vector<ArrayPtr> names;
    for (const std::string& n : items) names.push_back(chars(n));
    return codeOfCall(New, createArgs(name, file, selection(dims), uint32_t(dims.size()),
                                      items.empty() ? nullptr : nested(std::move(names))));
}

Values ArrayFiles::get(const std::string& item, ArrayPtr sel) {
    ArrayPtr arg = sel ? args(chars(item), std::move(sel)) : args(chars(item));
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

}  // namespace zrt::test
