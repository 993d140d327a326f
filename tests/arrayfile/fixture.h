// What the array file tests share: a fresh library (Init done) in a temporary directory, and
// short ways to call the exports and build their arguments.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arrayfile/objects.h"
#include "frame/registry.h"
#include "support/arrays.h"
#include "support/library_env.h"
#include "zrt32.h"

namespace zrt::test {

using Ids = std::vector<int32_t>;
using Cells = std::vector<double>;

Ids oneTo(int32_t n);  // the ids 1 2 ... n
ArrayPtr idVector(const Ids& ids);
// A selection: one id vector per dimension.
ArrayPtr selection(const std::vector<Ids>& dims);
// (name, first, second) triples as New wants them: the file's, and one per dimension.
ArrayPtr fileDescriptor(const std::string& name = "Sales");
ArrayPtr dimDescriptors(uint32_t rank);
// New's argument creating name at file with these dimensions (and these further items).
ArrayPtr createArgs(const std::string& name, const std::string& file, ArrayPtr dims,
                    uint32_t rank, ArrayPtr items = nullptr);

// Writes an array file of these dimensions and items (name, flags) through the file layer
// into file, as a file made elsewhere would come; file.file is left open.
struct ItemSpec { std::string name; uint32_t flags; };
void writeThroughLayer(ArrayFileObject& file, const std::string& path, const std::vector<Ids>& dims,
                       const std::vector<ItemSpec>& items);
// The little-endian 32-bit word of file bytes at offset at.
uint32_t word(const std::string& bytes, size_t at);
// The code of an export's result; the result is freed.
int32_t codeOfCall(APLArray* (*exportFn)(APLArray*), ArrayPtr arg);
// The registered object of that name and kind, or null.
NamedObject* find(const std::string& name, uint32_t kind = kAnyKind);
template <class T>
T* findAs(const std::string& name, uint32_t kind) {
    NamedObject* o = find(name, kind);
    EXPECT_TRUE(o) << name;
    return o ? as<T>(o) : nullptr;
}

struct Values {
    int32_t code = -1;
    uint32_t type = 0;
    std::vector<uint32_t> shape;
    Cells cells;
};

class ArrayFiles : public ::testing::Test {
protected:
    void SetUp() override {
        env_.writeIdentityTranslation();
        ASSERT_EQ(env_.init(), 0u);
    }
    std::string path(const std::string& name) const { return env_.file(name); }

    // New of an array file with these dimensions (and further items), created at path.
    int32_t newFile(const std::string& name, const std::string& file, const std::vector<Ids>& dims,
                    const std::vector<std::string>& items = {});
    int32_t openFile(const std::string& name, const std::string& file) {
        return codeOfCall(New, args(chars(name), intScalar(2), intScalar(1), chars(file)));
    }
    int32_t newMemoryArray(const std::string& name, ArrayPtr sel) {
        return codeOfCall(New, args(chars(name), intScalar(3), std::move(sel)));
    }
    int32_t close(const std::string& name) { return codeOfCall(Close, args(chars(name))); }
    int32_t put(const std::string& item, ArrayPtr values, ArrayPtr sel = nullptr) {
        return codeOfCall(Put, sel ? args(chars(item), std::move(values), std::move(sel)) : args(chars(item), std::move(values)));
    }
    Values get(const std::string& item, ArrayPtr sel = nullptr);

    LibraryEnv env_;
};

}  // namespace zrt::test
