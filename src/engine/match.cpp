// Match: whether two operands hold the same numbers cell for cell. The argument is (A, B) in
// any operand forms; B offers 1 cell (compared with every cell of A) or as many as A. Cells a
// and b agree when |a - b| <= 1e-14 x |a|: the tolerance is relative to A alone. The answer is
// (0, 1 or 0), or the code alone.
#include <cstring>

#include "arrayfile/arguments.h"
#include "arrayfile/operand.h"
#include "engine/tolerance.h"
#include "engine/walk_scope.h"
#include "frame/args.h"
#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

namespace {

Code runMatch(Operand& a, Operand& b, bool& same) {
    same = false;
    if (a.count == 0 || b.count == 0) {
        same = a.count == b.count;
        return kOk;
    }
    WalkScope walks{&a, &b};
    uint32_t n = 0;
    if (Code c = BeginWalk(a, n)) return c;
    if (Code c = BeginInStep(b, n)) return c;
    bool agree = true;
    Code code = GuardCells([&] {
        for (uint32_t k = 0; k < n; ++k) {
            GetCell(a);
            GetCell(b);
            if (!EqualRelativeTo(ValueNumber(a.value), ValueNumber(b.value))) {
                agree = false;
                return;
            }
            StepWalk(a);
            StepWalk(b);
        }
    });
    same = code == kOk && agree;
    return code;
}

ArrayPtr answer(int32_t flag) {
    ArrayPtr v(allocVector(kInt32, 1));
    if (v) std::memcpy(dataOf(v.get()), &flag, 4);
    return v;
}

Result match(const APLArray* arg) {
    if (ArgumentCount(arg) != 2) return kBadType;
    bool same = false;
    {
        Operand a, b;  // released before the answer is built
        uint32_t form = 0;
        if (Code c = ParseOperand(arg, 1, b, 0, form)) return c;
        if (Code c = ParseOperand(arg, 0, a, 0, form)) return c;
        if (Code c = runMatch(a, b, same)) return c;
    }
    return answer(same ? 1 : 0);
}

}  // namespace

}  // namespace zrt

extern "C" ZRT_PUBLIC APLArray* ZRT_API Match(APLArray* arg) {
    return zrt::guarded([&]() -> zrt::Result { return zrt::match(arg); });
}
