// Arrays of every type, rank and nesting come back equal, types included, from a block and from
// printed text: empties, single elements, types wider than their values need, characters of
// every kind, prototypes, deep nesting.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "notation/block.h"
#include "notation/literal.h"
#include "notation/printer.h"

namespace zrt::host {
namespace {

const std::vector<std::vector<uint32_t>> kShapes = {{},     {0},    {1},         {5},
                                                    {2, 3}, {3, 0}, {1, 1, 1, 1}};

// Per type, values that fit it, some of them narrow enough for a narrower type; characters of
// every kind.
const std::string kText = "ab'c \xC4\xFF\n\x04\x7F\x9F\xA0";
const std::vector<double> kPalettes[] = {
    {},
    {1, 0, 1, 1},
    {0, 1, -128, 127, 5},
    {0, -32768, 32767, 300, 1},
    {0, -2147483648.0, 2147483647, 70000, 1},
    {0, 1.5, -0.1, 1e300, 5e-324, HUGE_VAL, -HUGE_VAL, std::nan(""), 3, 123456.789}};

Value simple(uint32_t type, const std::vector<uint32_t>& shape, size_t offset) {
    Value v{type, shape, {}, {}, {}};
    const std::vector<double>& values = kPalettes[type];
    for (uint64_t k = 0; k < v.count(); ++k) {
        if (type == kChar) v.chars += kText[(k + offset) % kText.size()];
        else v.numbers.push_back(values[(k + offset) % values.size()]);
    }
    return v;
}

std::vector<Value> corpus() {
    std::vector<Value> all;
    for (uint32_t type = kChar; type <= kDouble; ++type)
        for (const auto& shape : kShapes)
            for (size_t offset = 0; offset < 2; ++offset)
                all.push_back(simple(type, shape, offset));
    all.push_back(charVector(std::string("line one\r\nline two\n\0", 20)));

    // Items of every kind, in arrays of every shape and as prototypes.
    const std::vector<Value> pool = {numberScalar(-7),         charScalar('x'),
                                     charVector(""),           numericArray({0}, {}),
                                     simple(kInt32, {2}, 0),   simple(kChar, {2, 2}, 0),
                                     enclose(numberScalar(3)), simple(kInt16, {}, 0),
                                     charVector("\r\n")};
    for (const auto& shape : kShapes) {
        uint64_t n = Value{kNested, shape, {}, {}, {}}.count();
        for (size_t offset = 0; offset < pool.size(); offset += 4) {
            std::vector<Value> slots;
            for (uint64_t k = 0; k < std::max<uint64_t>(n, 1); ++k)
                slots.push_back(pool[(k + offset) % pool.size()]);
            all.push_back(nestedArray(shape, slots));
        }
    }
    for (const Value& p : pool) all.push_back(nestedArray({0}, {p}));
    // Strands that would read back as simple vectors if printed bare.
    all.push_back(nestedArray({2}, {simple(kInt32, {}, 0), numberScalar(1)}));
    all.push_back(nestedArray({2}, {charVector("a"), charVector("b")}));
    Value deep = numberScalar(5);
    for (int i = 0; i < 20; ++i) deep = nestedArray({2}, {deep, charVector("d")});
    all.push_back(deep);
    return all;
}

TEST(RoundTrip, EveryArrayReadsBackFromItsBlockAndFromItsPrintedText) {
    for (const Value& v : corpus()) {
        std::string text = printValue(v);
        SCOPED_TRACE(text);
        HostBlock block(makeBlock(v));
        EXPECT_EQ(readBlock(block.get()), v);
        EXPECT_EQ(ownerClassOf(block.get()), 0u);  // the interpreter's: never the library's to free
        try {
            Value back = parseLiteral(text);
            EXPECT_EQ(back, v);
            EXPECT_EQ(printValue(back), text);
        } catch (const HostError& e) {
            ADD_FAILURE() << "column " << e.column() << ": " << e.what();
        }
    }
}

}  // namespace
}  // namespace zrt::host
