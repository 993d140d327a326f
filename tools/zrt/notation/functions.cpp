#include "notation/functions.h"

#include <algorithm>
#include <cmath>

#include "notation/error.h"
#include "notation/literal.h"
#include "notation/printer.h"

namespace zrt::host {

namespace {

Value ravel(Value v) {
    uint64_t n = v.count();
    v.shape = {static_cast<uint32_t>(n)};
    return v;
}

Value convertType(Value v, uint32_t type, const std::string& name, uint32_t column) {
    if (!v.isSimpleNumeric())
        throw HostError(column, "'" + name + "' needs a simple numeric array, not " +
                                    typeName(v.type));
    for (double& x : v.numbers) {
        if (!fitsType(x, type))
            throw HostError(column, formatNumber(x) + " does not fit '" + name + "'");
        if (type != kDouble) x = x + 0.0;  // an integer has no negative zero
    }
    v.type = type;
    return v;
}

// Characters to their byte values and numbers 0-255 back to characters.
Value ucs(Value v, uint32_t column) {
    if (v.type == kChar) {
        std::vector<double> codes;
        for (char c : v.chars) codes.push_back(static_cast<unsigned char>(c));
        return numericArray(std::move(v.shape), std::move(codes));
    }
    if (!v.isSimpleNumeric())
        throw HostError(column, "'⎕UCS' needs characters or numbers, not a nested array");
    Value r;
    r.type = kChar;
    r.shape = std::move(v.shape);
    for (double x : v.numbers) {
        if (!(x == std::trunc(x) && x >= 0 && x <= 255))
            throw HostError(column, "'⎕UCS' makes characters of 0 to 255 only, not " +
                                        formatNumber(x));
        r.chars += static_cast<char>(static_cast<unsigned char>(x));
    }
    return r;
}

std::vector<uint32_t> shapeFrom(const Value& left, uint32_t column) {
    if (!left.isSimpleNumeric() || left.rank() > 1)
        throw HostError(column, "the left argument of '⍴' must be a simple numeric vector");
    if (left.numbers.size() > 15) throw HostError(column, "an array has at most 15 axes");
    std::vector<uint32_t> shape;
    uint64_t n = 1;
    for (double x : left.numbers) {
        if (!(x == std::trunc(x) && x >= 0 && x <= 4294967295.0))
            throw HostError(column, "a length must be a whole number from 0 up, not " +
                                        formatNumber(x));
        shape.push_back(static_cast<uint32_t>(x));
        n *= shape.back();
        checkLiteralSize(n, column);
    }
    return shape;
}

// The elements of n items of a nested array taken in turn from items, and the items
// themselves, counted before any is copied.
uint64_t elementsOfCycle(const std::vector<Value>& items, uint64_t n) {
    std::vector<uint64_t> upTo(items.size() + 1, 0);  // elements of the first k items
    for (size_t k = 0; k < items.size(); ++k) upTo[k + 1] = upTo[k] + 1 + items[k].elements();
    const uint64_t have = items.size();
    return n / have * upTo[have] + upTo[n % have];
}

}  // namespace

Value catenate(const Value& left, const Value& right, uint32_t column) {
    bool chars = left.type == kChar && right.type == kChar;
    bool numbers = left.isSimpleNumeric() && right.isSimpleNumeric();
    if (!chars && !numbers)
        throw HostError(column, "',' joins characters to characters or numbers to numbers");
    if (left.rank() > 1 || right.rank() > 1)
        throw HostError(column, "',' joins scalars and vectors only");
    checkLiteralSize(left.count() + right.count(), column);
    Value r = left;
    r.type = std::max(left.type, right.type);  // the types are numbered narrowest first
    r.chars += right.chars;
    r.numbers.insert(r.numbers.end(), right.numbers.begin(), right.numbers.end());
    r.shape = {static_cast<uint32_t>(left.count() + right.count())};
    return r;
}

Value reshape(const Value& left, const Value& right, uint32_t column) {
    Value r;
    r.type = right.type;
    r.shape = shapeFrom(left, column);
    uint64_t n = r.count();
    uint64_t have = right.count();
    // An empty source fills with its prototype: 0, a blank, or the prototype item.
    if (right.type == kChar) {
        for (uint64_t i = 0; i < n; ++i) r.chars += have ? right.chars[i % have] : ' ';
    } else if (right.type == kNested) {
        checkLiteralSize(elementsOfCycle(right.items, std::max<uint64_t>(n, 1)), column);
        for (uint64_t i = 0; i < n; ++i) r.items.push_back(right.items[have ? i % have : 0]);
        if (n == 0) r.items.push_back(right.items[0]);  // first item, or the prototype
    } else {
        for (uint64_t i = 0; i < n; ++i) r.numbers.push_back(have ? right.numbers[i % have] : 0);
    }
    return r;
}

void checkLiteralSize(uint64_t elements, uint32_t column) {
    if (elements > kMaxLiteralElements)
        throw HostError(column, "a literal holds at most " +
                                    std::to_string(kMaxLiteralElements) + " elements");
}

Value applyMonadic(const std::string& name, Value right, uint32_t column) {
    if (name == ",") return ravel(std::move(right));
    // Unlike APL, ⊂ of a simple scalar makes a nested scalar: the host must be able to write
    // every block the interpreter can hand over, and nested blocks may hold simple scalars.
    if (name == "⊂") return enclose(std::move(right));
    if (name == "⎕UCS") return ucs(std::move(right), column);
    for (uint32_t type = kBool; type <= kDouble; ++type)
        if (name == typeName(type)) return convertType(std::move(right), type, name, column);
    throw HostError(column, "unknown function '" + name + "'");
}

}  // namespace zrt::host
