// What the engine tests share: a fresh library (Init done) in a temporary directory, array
// files and memory arrays made through the exports, and short ways to write operands.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frame/array.h"
#include "frame/codes.h"
#include "support/arrays.h"
#include "support/library_env.h"
#include "zrt32.h"

namespace zrt::test {

using Ids = std::vector<int32_t>;
using Numbers = std::vector<double>;

ArrayPtr numberVector(const Numbers& values);
ArrayPtr boolVector(const std::vector<int>& values);
// A selection: one id vector per dimension.
ArrayPtr selection(const std::vector<Ids>& dims);

// Operands in their argument forms.
inline ArrayPtr whole(const std::string& item) { return chars(item); }  // 'F.Data'
inline ArrayPtr through(const std::string& item, const std::vector<Ids>& dims) {
    return args(chars(item), selection(dims));  // ('F.Data' sel)
}
inline ArrayPtr numberBuffer(const Numbers& values) { return args(intScalar(8), numberVector(values)); }
inline ArrayPtr bitBuffer(const std::vector<int>& values) { return args(intScalar(1), boolVector(values)); }
inline ArrayPtr numberConstant(double value) { return doubles({8, value}); }
inline ArrayPtr bitConstant(double value) { return doubles({1, value}); }

// The code of an export's result (0 for a (0, value) pair); the result is freed.
int32_t codeOfCall(APLArray* (*exportFn)(APLArray*), ArrayPtr arg);
// The numbers of a (0, value) result; empty, with the code in code, otherwise.
Numbers answerOfCall(APLArray* (*exportFn)(APLArray*), ArrayPtr arg, int32_t& code);

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;

    std::string path(const std::string& name) const { return env_.file(name); }

    // An array file with these dimensions and items after Data (all number items).
    void newFile(const std::string& name, const std::vector<Ids>& dims,
                 const std::vector<std::string>& items = {});
    // An array file written with items of the cell kinds given (8 numbers, 1 bits), Data
    // first, then opened as name.
    struct ItemKind {
        std::string name;
        uint32_t flags;
    };
    void newFileOfItems(const std::string& name, const std::vector<Ids>& dims,
                        const std::vector<ItemKind>& items);
    void newMemoryArray(const std::string& name, const std::vector<Ids>& dims);
    // A memory item (flags 8 numbers, 1 bits) with its values.
    void newMemoryItem(const std::string& name, uint32_t flags, ArrayPtr values);
    void put(const std::string& item, ArrayPtr values);
    void put(const std::string& item, const Numbers& values) { put(item, numberVector(values)); }
    // The item's cells in row-major order (numbers; bits as 0 and 1).
    Numbers get(const std::string& item);

    LibraryEnv env_;
};

}  // namespace zrt::test
