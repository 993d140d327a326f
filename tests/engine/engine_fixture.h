// A fresh library in a temporary directory, and short ways to write operands.
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
using Numbers = std::vector<double>;

ArrayPtr numberVector(const Numbers& values);
ArrayPtr boolVector(const Numbers& values);  // nonzero is 1
ArrayPtr selection(const std::vector<Ids>& dims);  // one id vector per dimension
Ids oneTo(int32_t n);                              // the ids 1 2 ... n

// Operands in their argument forms.
inline ArrayPtr whole(const std::string& item) { return chars(item); }  // 'F.Data'
inline ArrayPtr through(const std::string& item, const std::vector<Ids>& dims) { return args(chars(item), selection(dims)); }
inline ArrayPtr numberBuffer(const Numbers& values) { return args(intScalar(8), numberVector(values)); }
inline ArrayPtr bitBuffer(const Numbers& values) { return args(intScalar(1), boolVector(values)); }
inline ArrayPtr numberConstant(double value) { return doubles({8, value}); }

// The code of an export's result, and the numbers of its value.
int32_t codeOfCall(APLArray* (*exportFn)(APLArray*), ArrayPtr arg);
Numbers answerOfCall(APLArray* (*exportFn)(APLArray*), ArrayPtr arg, int32_t& code);
// Cell by cell the same, a NaN matching a NaN.
void expectCells(const Numbers& got, const Numbers& want);

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;

    std::string path(const std::string& name) const { return env_.file(name); }

    // An array file name.arr with these dimensions and number items after Data.
    void newFile(const std::string& name, const std::vector<Ids>& dims, const std::vector<std::string>& items = {});
    void newMemoryArray(const std::string& name, const std::vector<Ids>& dims) {
        ASSERT_EQ(codeOfCall(New, args(chars(name), intScalar(3), selection(dims))), 0) << name;
    }
    void newMemoryItem(const std::string& name, uint32_t flags, ArrayPtr values) {  // flags 8 numbers, 1 bits
        ASSERT_EQ(codeOfCall(New, args(chars(name), intScalar(4), intScalar(int32_t(flags)), std::move(values))), 0) << name;
    }
    void put(const std::string& item, ArrayPtr values) { ASSERT_EQ(codeOfCall(Put, args(chars(item), std::move(values))), 0) << item; }
    void put(const std::string& item, const Numbers& values) { put(item, numberVector(values)); }
    Numbers get(const std::string& item);
    void close(const std::string& name) { ASSERT_EQ(codeOfCall(Close, args(chars(name))), 0); }

    LibraryEnv env_;
};

}  // namespace zrt::test
