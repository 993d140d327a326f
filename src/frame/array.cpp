#include "frame/array.h"

#include <cstdlib>

#include "frame/log.h"
#include "platform/platform.h"

namespace zrt {

namespace {

// Blocks from this size on are filled faster in large pages (a 100 MB Get, say).
constexpr size_t kLargeBlock = size_t(4) << 20;

constexpr uint32_t kSqOfApl[8] = {kSqChar, kSqBool, kSqInt8, kSqInt16, kSqInt32, kSqDouble,
                                  kSqNested, kSqNone};
constexpr uint32_t kAplOfSq[16] = {kChar,   kBool,   kInt8, kInt16,  kInt32,  kDouble,
                                   kDouble, kInt32,  kDouble, kChar, kChar,   kChar,
                                   kNested, kNested, kNested, kChar};
constexpr const char* kSqNames[16] = {
    "No initialization", "Boolean 1 bit",   "Integer 1 byte",     "Integer 2 bytes",
    "Integer 4 bytes",   "Floating-point",  "Complex",            "APV integer 4 bytes",
    "APV floating-point", "Character 1 byte", "Character 2 byte", "Character 4 byte",
    "Nested array",      "Heterogenous array", "Boxed array",     "Invalid type"};

// The size in bits must fit a signed 32-bit number: shifting the count left by the width and
// arithmetically back must give the count again.
bool sizeFits(uint32_t n, uint32_t log2Bits) {
    int64_t shifted = static_cast<int64_t>(n) << log2Bits;
    return n <= 0x7FFFFFFFu && shifted <= 0x7FFFFFFF;
}

}  // namespace

uint32_t SQTypeOfAPLType(uint32_t aplType) { return kSqOfApl[aplType & 7]; }
uint32_t APLTypeOfSQType(uint32_t sqType) { return kAplOfSq[sqType & 15]; }
const char* SQTypeName(uint32_t sqType) { return kSqNames[sqType & 15]; }

APLArray* AllocArray(uint32_t type, uint32_t rank, const uint32_t* shape) {
    uint64_t n = 1;
    for (uint32_t i = 0; i < rank; ++i) {
        n *= shape[i];
        if (n > 0xFFFFFFFFu) n = 0xFFFFFFFFu + uint64_t(1);  // stays too large
    }
    if (type > kNested || rank > 15 || n > 0xFFFFFFFFu ||
        !sizeFits(static_cast<uint32_t>(n), log2BitsOf(type))) {
        LogValue("Error", 10);
        return nullptr;
    }
    uint32_t words = blockWordsFor(type, rank, static_cast<uint32_t>(n));
    size_t bytes = size_t(words) * 4;
    auto* a = static_cast<APLArray*>(std::calloc(1, bytes));
    if (!a) {
        LogValue("Allocation error", static_cast<int32_t>(bytes));
        LogValue("Error", 10);
        return nullptr;
    }
    if (bytes >= kLargeBlock) platform::adviseLargePages(a, bytes);
    writeHeader(a, words, type, rank, shape, type == kNested ? kOwnerNested : kOwnerSimple);
    return a;
}

APLArray* AllocArrayOfSQType(uint32_t sqType, uint32_t rank, const uint32_t* shape) {
    return AllocArray(APLTypeOfSQType(sqType), rank, shape);
}

int FreeArray(APLArray* a) {
    if (!a) return 0;
    uint32_t owner = ownerClassOf(a);
    if (owner == kOwnerNested) {
        // The product of the shape, not storedCount: an empty array releases no prototype.
        for (uint32_t i = cellCount(a); i-- > 0;) FreeArray(slotAt(a, i));
        std::free(a);
    } else if (owner == kOwnerSimple) {
        std::free(a);
    }
    return 0;
}

uint8_t* ArrayData(APLArray* a) { return dataOf(a); }

APLArray* EmptyVector() {
    uint32_t zero = 0;
    return AllocArray(kBool, 1, &zero);
}

APLArray* AllocVector(uint32_t type, uint32_t length) { return AllocArray(type, 1, &length); }
APLArray* AllocScalar(uint32_t type) { return AllocArray(type, 0, nullptr); }

}  // namespace zrt
