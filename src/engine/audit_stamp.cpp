#include "engine/audit_stamp.h"

#include <limits>

#include "arrayfile/objects.h"

namespace zrt {

AuditStamp::~AuditStamp() {
    if (file_) file_->auditStamp = 0;
}

Code AuditStamp::claim(const Operand& target) {
    NamedObject* file = target.item ? FindAncestor(target.item, kArrayFileKind) : nullptr;
    if (!file) return kUnsuited;
    file_ = as<ArrayFileObject>(file);
    return kOk;
}

void AuditStamp::set(double value) {
    if (file_) file_->auditStamp = StampOf(value);
}

int32_t StampOf(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

}  // namespace zrt
