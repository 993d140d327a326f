// Calc: one element-wise operator over items, selections, flat buffers and constants.
//
//   (operator, target, source)                 the two-operand table
//   (operator, target, a, b)                   the three-operand table
//   (operator, target, a, condition, stamp)    "movif" with an audit stamp
//
// The operands are parsed from the last item down to the target (a constant cannot be one),
// stopping at the first failure; the operator is looked up after them. Two items: the target
// is parsed, then 10015. Any other count does nothing.
#include <string>

#include "arrayfile/arguments.h"
#include "arrayfile/operand.h"
#include "engine/calc_drivers.h"
#include "engine/operators.h"
#include "frame/export_bodies.h"
#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

namespace {

Code calc(const APLArray* arg) {
    uint32_t count = ArgumentCount(arg);
    if (count < 2 || count > 5) return kOk;
    std::string name;
    if (Code c = NameOf(arg, 0, name)) return c;
    Operand operands[5];  // released and disposed of, whatever happens, when the call ends
    for (uint32_t i = count - 1; i >= 1; --i) {
        uint32_t form = 0;
        if (Code c = ParseOperand(arg, i, operands[i], i == 1, form)) return c;
    }
    Operand& target = operands[1];
    if (count == 3) {
        return RunTwoOperand(target, operands[2], FindTwoOperand(name));
    }
    const Operator* op = FindThreeOperand(name);
    if (count == 4) return RunThreeOperand(target, operands[2], operands[3], op);
    if (count == 5) return RunConditionalAudited(target, operands[2], operands[3], operands[4], op);
    return kUnsuited;  // the target alone
}

}  // namespace

Result body::Calc(const APLArray* arg) { return calc(arg); }

}  // namespace zrt
