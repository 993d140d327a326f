// The page scans: read-only walks over an item seen through a selection (name, selection).
// The second item is three integers (r, c, p); only p, the page dimension counted from 0, is
// used, and only by FlagNonZeroPages. A cell v is nonzero when |v| x 1e-14 < |v|: every finite
// value but 0 (not an infinity, not a NaN).
//
//   FlagNonZeroPages      one flag per id of the selection along p, in its order: 1 when the
//                         page holds a nonzero selected cell
//   FindFirstNonZeroPage  the ids, one per dimension of the item, of the first nonzero cell in
//                         the selection's walk order; all 0 when there is none
#include <cstring>
#include <vector>

#include "arrayfile/arguments.h"
#include "arrayfile/operand.h"
#include "arrayfile/walk.h"
#include "engine/tolerance.h"
#include "engine/walk_scope.h"
#include "frame/args.h"
#include "frame/export_bodies.h"
#include "frame/result.h"
#include "zrt32.h"

namespace zrt {

namespace {

// Item 0: an item of doubles through a selection; a whole item, a buffer or a constant has
// no selection to scan, bits no numbers (10015).
Code pagedOperand(const APLArray* arg, Operand& a) {
    uint32_t form = 0;
    if (Code c = ParseOperand(arg, 0, a, 0, form)) return c;
    return form == kSelectionForm && a.selection && a.cellType == kDoubleCellType ? kOk : kUnsuited;
}

// Item 1: (r, c, p), each readable as an integer; p is given back.
Code pageDimensionOf(const APLArray* arg, int32_t& p) {
    APLArray* rcp;
    if (Code c = GetItemArray(arg, 1, rcp)) return c;
    if (!rcp || typeOf(rcp) == kChar || ArgumentCount(rcp) != 3) return kRange;
    int32_t r = 0, c = 0;
    if (Code code = GetItemInt(rcp, 0, r)) return code;
    if (Code code = GetItemInt(rcp, 1, c)) return code;
    return GetItemInt(rcp, 2, p);
}

ArrayPtr zeroIntegers(uint32_t n) {
    ArrayPtr v(AllocVector(kInt32, n));
    if (v) std::memset(dataOf(v.get()), 0, size_t(n) * 4);
    return v;
}

}  // namespace

Result body::FlagNonZeroPages(const APLArray* arg) {
    Operand a;
    if (Code c = pagedOperand(arg, a)) return c;
    int32_t p = 0;
    if (Code c = pageDimensionOf(arg, p)) return c;
    if (p < 0 || static_cast<uint32_t>(p) >= a.selection->rank()) return kUnsuited;
    uint32_t page = static_cast<uint32_t>(p);
    uint32_t n = a.selection->dims[page].size;
    if (n == 0) return kUnsuited;
    ArrayPtr flags = zeroIntegers(n);
    if (!flags) return kNoMemory;
    std::vector<uint8_t> flagged(n, 0);

    AxisCollapse along;
    if (Code c = CollapseAxis(a, page, along)) return c;
    WalkScope walks{&a};
    uint32_t steps = 0;
    if (Code c = BeginWalk(a, steps)) return c;
    const uint32_t* offsets = along.offsets.data();
    uint8_t* f = flagged.data();
    uint32_t left = n;  // pages not flagged yet
    Code code = GuardCells([&] {
        for (uint32_t done = 0, k; done < steps && left > 0; done += k) {
            k = BlockSize(a, steps - done);
            Run run = NextRun(a, k);
            for (uint32_t i = 0; i < n; ++i) {
                if (f[i]) continue;
                const uint8_t* v = ReadRun(a, run, k, offsets[i]);
                for (uint32_t j = 0; j < k && !f[i]; ++j) f[i] = IsNonZero(LoadDouble(v + 8 * size_t(j)));
                if (f[i]) --left;
            }
        }
    });
    if (code) return code;
    for (uint32_t i = 0; i < n; ++i) setInt32At(dataOf(flags.get()), i, f[i]);
    return flags;
}

Result body::FindFirstNonZeroPage(const APLArray* arg) {
    Operand a;
    if (Code c = pagedOperand(arg, a)) return c;
    int32_t p = 0;
    if (Code c = pageDimensionOf(arg, p)) return c;
    uint32_t rank = a.selection->rank();
    ArrayPtr ids = zeroIntegers(rank);
    if (!ids) return kNoMemory;

    WalkScope walks{&a};
    uint32_t steps = 0;
    if (Code c = BeginWalk(a, steps)) return c;
    uint32_t at = steps;  // the step of the first nonzero cell
    Code code = GuardCells([&] {
        for (uint32_t done = 0, k; done < steps && at == steps; done += k) {
            k = BlockSize(a, steps - done);
            const uint8_t* v = ReadNext(a, k);
            for (uint32_t j = 0; j < k; ++j)
                if (IsNonZero(LoadDouble(v + 8 * size_t(j)))) {
                    at = done + j;
                    break;
                }
        }
    });
    if (code) return code;
    if (at < steps)  // the step in row-major order: the last dimension varies fastest
        for (uint32_t j = rank; j-- > 0;) {
            const Dimension& d = a.selection->dims[j];
            setInt32At(dataOf(ids.get()), j, d.ids[at % d.size]);
            at /= d.size;
        }
    return ids;
}

}  // namespace zrt
