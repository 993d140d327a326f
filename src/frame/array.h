// The APL array model: allocating, freeing and inspecting the interpreter's array blocks.
#pragma once

#include <cstdint>
#include <memory>

#include "frame/layout.h"

namespace zrt {

// The logical type numbering used by the log and by SCAR data.
enum SQType : uint32_t {
    kSqNone = 0,
    kSqBool = 1,
    kSqInt8 = 2,
    kSqInt16 = 3,
    kSqInt32 = 4,
    kSqDouble = 5,
    kSqComplex = 6,
    kSqApvInt = 7,
    kSqApvDouble = 8,
    kSqChar = 9,
    kSqChar16 = 10,
    kSqChar32 = 11,
    kSqNested = 12,
    kSqHetero = 13,
    kSqBoxed = 14,
    kSqInvalid = 15,
};

// A new block of the given type, rank and shape, data uninitialised (nested slots included:
// the caller fills every slot). Null, with the failure logged, when the size does not fit or
// memory is short.
APLArray* AllocArray(uint32_t type, uint32_t rank, const uint32_t* shape);
APLArray* AllocArrayOfSQType(uint32_t sqType, uint32_t rank, const uint32_t* shape);
// Releases a block made here, and its items; blocks owned by someone else are left alone.
int FreeArray(APLArray* a);
uint8_t* ArrayData(APLArray* a);
APLArray* EmptyVector();

uint32_t SQTypeOfAPLType(uint32_t aplType);
uint32_t APLTypeOfSQType(uint32_t sqType);
inline uint32_t SQTypeOf(const APLArray* a) { return SQTypeOfAPLType(typeOf(a)); }
const char* SQTypeName(uint32_t sqType);

// Convenience constructors; null when memory is short.
APLArray* AllocVector(uint32_t type, uint32_t length);
APLArray* AllocScalar(uint32_t type);

// Owns an array block until it is handed on with release().
struct ArrayDeleter {
    void operator()(APLArray* a) const { FreeArray(a); }
};
using ArrayPtr = std::unique_ptr<APLArray, ArrayDeleter>;

}  // namespace zrt
