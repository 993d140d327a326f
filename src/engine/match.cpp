// Match: whether two operands hold the same numbers cell for cell. The argument is (A, B) in
// any operand forms; B offers 1 cell (compared with every cell of A) or as many as A. Cells a
// and b agree when |a - b| <= 1e-14 x |a|: the tolerance is relative to A alone. The answer is
// (0, 1 or 0), or the code alone; operands of bits have no numbers to compare (10015).

#include "arrayfile/arguments.h"
#include "arrayfile/operand.h"
#include "engine/tolerance.h"
#include "engine/walk_scope.h"
#include "frame/args.h"
#include "frame/export_bodies.h"
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
    if (a.cellType != kDoubleCellType || b.cellType != kDoubleCellType) return kUnsuited;
    WalkScope walks{&a, &b};
    uint32_t n = 0;
    if (Code c = BeginWalk(a, n)) return c;
    if (Code c = BeginInStep(b, n)) return c;
    bool agree = true;
    Code code = GuardCells([&] {
        for (uint32_t done = 0, m; done < n && agree; done += m) {
            m = BlockSize(a, n - done);
            const uint8_t* x = ReadNext(a, m);
            const uint8_t* y = ReadNext(b, m);
            for (uint32_t k = 0; k < m && agree; ++k)
                agree = EqualRelativeTo(LoadDouble(x + 8 * size_t(k)), LoadDouble(y + 8 * size_t(k)));
        }
    });
    same = code == kOk && agree;
    return code;
}

ArrayPtr answer(int32_t flag) {
    ArrayPtr v(AllocVector(kInt32, 1));
    if (v) setInt32At(dataOf(v.get()), 0, flag);
    return v;
}

}  // namespace

Result body::Match(const APLArray* arg) {
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

}  // namespace zrt
