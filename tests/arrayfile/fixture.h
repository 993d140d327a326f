// What the array file tests share: a fresh library (Init done) in a temporary directory, and
// short ways to call the exports and build their arguments.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/codes.h"
#include "support/arrays.h"
#include "support/library_env.h"
#include "zrt32.h"

namespace zrt::test {

using Ids = std::vector<int32_t>;

ArrayPtr idVector(const Ids& ids);
// A selection: one id vector per dimension.
ArrayPtr selection(const std::vector<Ids>& dims);
// (name, first, second) triples as New wants them: the file's, and one per dimension.
ArrayPtr fileDescriptor(const std::string& name = "Sales");
ArrayPtr dimDescriptors(uint32_t rank);

// The code of an export's result; the result is freed.
int32_t codeOfCall(APLArray* (*exportFn)(APLArray*), ArrayPtr arg);

struct Values {
    int32_t code = -1;
    uint32_t type = 0;
    std::vector<uint32_t> shape;
    std::vector<double> cells;
};
Values getValues(ArrayPtr arg);

class ArrayFiles : public ::testing::Test {
protected:
    void SetUp() override;

    std::string path(const std::string& name) const { return env_.file(name); }

    // New of an array file with these dimensions (and further items), created at path.
    int32_t newFile(const std::string& name, const std::string& file, const std::vector<Ids>& dims,
                    const std::vector<std::string>& items = {});
    int32_t openFile(const std::string& name, const std::string& file);
    int32_t newMemoryArray(const std::string& name, ArrayPtr sel);
    int32_t close(const std::string& name);
    int32_t put(const std::string& item, ArrayPtr values);
    int32_t put(const std::string& item, ArrayPtr values, ArrayPtr sel);
    Values get(const std::string& item);
    Values get(const std::string& item, ArrayPtr sel);

    LibraryEnv env_;
};

}  // namespace zrt::test
