#include "corpus.h"

#include <cmath>
#include <limits>

namespace zrt::host::test {

namespace {

const std::vector<std::vector<uint32_t>> kShapes = {
    {}, {0}, {1}, {2}, {5}, {2, 3}, {0, 3}, {3, 0}, {1, 1}, {2, 1, 2}, {1, 1, 1, 1}};

// Values that fit each type, some of them narrow enough for a narrower type.
std::vector<double> palette(uint32_t type) {
    const double inf = std::numeric_limits<double>::infinity();
    switch (type) {
    case kBool: return {1, 0, 1, 1};
    case kInt8: return {0, 1, -128, 127, 5};
    case kInt16: return {0, -32768, 32767, 300, 1};
    case kInt32: return {0, -2147483648.0, 2147483647, 70000, 1};
    default:
        return {0, 1.5, -0.1, 1e300, 5e-324, 2e10, inf, -inf,
                std::numeric_limits<double>::quiet_NaN(), 3, -0.25, 123456.789};
    }
}

Value simple(uint32_t type, const std::vector<uint32_t>& shape, size_t offset) {
    Value v;
    v.type = type;
    v.shape = shape;
    uint64_t n = v.count();
    std::vector<double> values = palette(type);
    std::string text = "ab'c \xC4\xFF\n\x04\x7F\x9F\xA0";
    for (uint64_t k = 0; k < n; ++k) {
        if (type == kChar) v.chars += text[(k + offset) % text.size()];
        else v.numbers.push_back(values[(k + offset) % values.size()]);
    }
    return v;
}

// A few arrays to put inside nested ones.
std::vector<Value> items() {
    return {numberScalar(1),  numberScalar(-7),       charScalar('x'),
            charVector("hello"), charVector(""),      numericArray({0}, {}),
            simple(kInt32, {2}, 0), simple(kDouble, {}, 1), simple(kChar, {2, 2}, 0),
            enclose(numberScalar(3)), simple(kInt16, {}, 0), charVector("\r\n")};
}

}  // namespace

std::vector<Value> corpus() {
    std::vector<Value> all;
    for (uint32_t type = kChar; type <= kDouble; ++type)
        for (const auto& shape : kShapes)
            for (size_t offset = 0; offset < 3; ++offset)
                all.push_back(simple(type, shape, offset));

    // Text without control characters, text with them, only control characters.
    all.push_back(charVector("plain text"));
    for (const char* mixed : {"line one\r\nline two\n", "\x04\x04" "ab", "a\tb", "\x7F'\xA0\x9F"})
        all.push_back(charVector(mixed));
    all.push_back(charVector("\r\n"));
    all.push_back(charScalar('\0'));
    all.push_back(charScalar('\''));

    std::vector<Value> pool = items();
    for (const auto& shape : kShapes) {
        uint64_t n = Value{kNested, shape, {}, {}, {}}.count();
        for (size_t offset = 0; offset < pool.size(); offset += 3) {
            std::vector<Value> slots;
            for (uint64_t k = 0; k < (n == 0 ? 1 : n); ++k)
                slots.push_back(pool[(k + offset) % pool.size()]);
            all.push_back(nestedArray(shape, slots));
        }
    }
    // Strands that would read back as simple vectors if printed bare.
    all.push_back(nestedArray({2}, {numberScalar(0), numberScalar(42)}));
    all.push_back(nestedArray({3}, {charScalar('a'), charScalar('b'), charScalar('c')}));
    all.push_back(nestedArray({2}, {charScalar('a'), numberScalar(1)}));
    all.push_back(nestedArray({2}, {simple(kInt32, {}, 0), numberScalar(1)}));
    all.push_back(nestedArray({2}, {charVector("a"), charVector("b")}));
    // Prototypes of every kind, and depth.
    for (const Value& p : pool) all.push_back(nestedArray({0}, {p}));
    Value deep = numberScalar(5);
    for (int i = 0; i < 20; ++i) deep = nestedArray({2}, {deep, charVector("d")});
    all.push_back(deep);
    return all;
}

}  // namespace zrt::host::test
