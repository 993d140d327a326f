// The audit stamp of an audited Calc ("movaud", and "movif" with a stamp operand).
//
// While the stamp of an array file object is not 0, every walk that opens one of its file
// items writes that stamp into the file's item "AuditRec" for each number cell it changes
// (access_block.h). An audited Calc sets the stamp before the target's walk begins and sets it
// back to 0 when it ends, on every path: the holder does the second half in its destructor.
#pragma once

#include <cstdint>

#include "arrayfile/operand.h"
#include "frame/codes.h"

namespace zrt {

struct ArrayFileObject;

class AuditStamp {
public:
    AuditStamp() = default;
    ~AuditStamp();
    AuditStamp(const AuditStamp&) = delete;
    AuditStamp& operator=(const AuditStamp&) = delete;

    // Finds the array file that holds the target's item (its nearest ancestor of that kind).
    // 10015 when there is none: a flat buffer, or an item of a memory array of its own.
    [[nodiscard]] Code claim(const Operand& target);
    // Sets the file's stamp to value truncated toward zero.
    void set(double value);

private:
    ArrayFileObject* file_ = nullptr;
};

// A number as a stamp: truncated toward zero; a NaN or a value outside the 32-bit range gives
// -2^31, as the processor's own conversion does.
int32_t StampOf(double value);

}  // namespace zrt
