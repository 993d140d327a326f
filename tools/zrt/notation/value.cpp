#include "notation/value.h"

#include <cmath>

namespace zrt::host {

uint64_t Value::count() const {
    uint64_t n = 1;
    for (uint32_t s : shape) n *= s;
    return n;
}

uint64_t Value::elements() const {
    if (type != kNested) return count();
    uint64_t n = 0;
    for (const Value& item : items) n += 1 + item.elements();
    return n;
}

namespace {

// Numbers compare by value; a NaN equals a NaN, so that what was printed compares equal to
// what was read back.
bool sameNumber(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

}  // namespace

bool operator==(const Value& a, const Value& b) {
    if (a.type != b.type || a.shape != b.shape) return false;
    if (a.type == kChar) return a.chars == b.chars;
    if (a.type == kNested) return a.items == b.items;
    if (a.numbers.size() != b.numbers.size()) return false;
    for (size_t i = 0; i < a.numbers.size(); ++i)
        if (!sameNumber(a.numbers[i], b.numbers[i])) return false;
    return true;
}

bool fitsType(double v, uint32_t type) {
    if (type == kDouble) return true;
    if (!(v == std::trunc(v))) return false;  // fractions, NaN and infinities
    switch (type) {
    case kBool: return v == 0 || v == 1;
    case kInt8: return v >= -128 && v <= 127;
    case kInt16: return v >= -32768 && v <= 32767;
    case kInt32: return v >= -2147483648.0 && v <= 2147483647.0;
    default: return false;
    }
}

uint32_t narrowestType(const std::vector<double>& numbers) {
    uint32_t type = kBool;
    for (double v : numbers)
        while (type < kDouble && !fitsType(v, type)) ++type;
    return type;
}

const char* typeName(uint32_t type) {
    static const char* const names[] = {"char", "bool", "int8", "int16", "int32", "double",
                                        "nested"};
    return type <= kNested ? names[type] : "?";
}

Value numberScalar(double v) { return numericArray({}, {v}); }

Value numericArray(std::vector<uint32_t> shape, std::vector<double> numbers) {
    Value r;
    r.type = narrowestType(numbers);
    if (r.type != kDouble)
        for (double& x : numbers) x = x + 0.0;  // an integer has no negative zero: ¯0 is 0
    r.shape = std::move(shape);
    r.numbers = std::move(numbers);
    return r;
}

Value charScalar(char c) {
    Value r;
    r.type = kChar;
    r.chars.assign(1, c);
    return r;
}

Value charVector(std::string text) {
    Value r;
    r.type = kChar;
    r.shape = {static_cast<uint32_t>(text.size())};
    r.chars = std::move(text);
    return r;
}

Value nestedArray(std::vector<uint32_t> shape, std::vector<Value> items) {
    Value r;
    r.type = kNested;
    r.shape = std::move(shape);
    r.items = std::move(items);
    return r;
}

Value enclose(Value v) {
    std::vector<Value> items;
    items.push_back(std::move(v));
    return nestedArray({}, std::move(items));
}

}  // namespace zrt::host
