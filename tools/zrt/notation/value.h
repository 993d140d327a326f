// An array as the host holds it between the script and the interpreter's block layout: a type,
// a shape and the elements, with nested items as values of their own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "frame/layout.h"

namespace zrt::host {

struct Value {
    uint32_t type = kBool;          // the APLType the block will carry
    std::vector<uint32_t> shape;    // empty for a scalar
    std::vector<double> numbers;    // types 1-5, every value exact in a double
    std::string chars;              // type 0, one byte per character
    std::vector<Value> items;       // type 6; an empty nested array keeps its prototype here

    uint32_t rank() const { return static_cast<uint32_t>(shape.size()); }
    // Product of the shape: 1 for a scalar, 0 for an empty array (also an empty nested one).
    uint64_t count() const;
    // The elements of the whole tree: those of each simple array, and each item of a nested
    // one together with the elements of the item.
    uint64_t elements() const;
    bool isScalar() const { return shape.empty(); }
    bool isSimpleNumeric() const { return type >= kBool && type <= kDouble; }

    friend bool operator==(const Value& a, const Value& b);
};

Value numberScalar(double v);                         // narrowest type
Value numericArray(std::vector<uint32_t> shape, std::vector<double> numbers);  // narrowest
Value charScalar(char c);
Value charVector(std::string text);
Value nestedArray(std::vector<uint32_t> shape, std::vector<Value> items);
Value enclose(Value v);

// The narrowest type that holds every value exactly, as the interpreter stores numbers: all 0 or
// 1 Boolean, then 1-, 2- and 4-byte integers, else double. Boolean for no values at all.
uint32_t narrowestType(const std::vector<double>& numbers);
// Whether v can be stored in an element of the type without change.
bool fitsType(double v, uint32_t type);
// "bool", "int8", "int16", "int32", "double", "char", "nested".
const char* typeName(uint32_t type);

}  // namespace zrt::host
