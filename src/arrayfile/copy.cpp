#include "arrayfile/copy.h"

#include "arrayfile/item_flags.h"
#include "arrayfile/objects.h"
#include "arrayfile/walk.h"

namespace zrt {

Code CopyLoop(Operand& target, Operand& source) {
    if (source.count == 0 || (source.kind == kConstantOperand && target.count == 0)) return kOk;
    if (source.cellType != target.cellType) return kUnsuited;
    uint32_t n = 0, m = 0;
    Code code = BeginWalk(target, n);
    if (code == kOk) code = BeginWalk(source, m);
    if (code == kOk && m != 1 && m != n) code = kRange;
    if (code == kOk) {
        bool single = MustGoCellByCell(target, source);
        // Whole double cells into plain ones (Get of a whole item): one copy of them all.
        bool whole = target.kind == kFlatOperand && source.kind == kFlatOperand && m == n &&
                     target.cellType == kDoubleCellType && target.store == Store::Plain;
        code = GuardCells([&] {
            for (uint32_t done = 0, k; done < n; done += k) {
                k = single ? 1 : whole ? n - done : BlockSize(target, n - done);
                Run to = NextRun(target, k);
                WriteRun(target, to, ReadNext(source, k), nullptr, k);
            }
        });
    }
    EndWalk(target);
    EndWalk(source);
    return code;
}

Code CopyCells(Structure* destinationSelection, ItemObject& destination,
               Structure* sourceSelection, ItemObject& source) {
    Operand target, from;
    if (Code c = OperandOfItem(destination, destinationSelection, 1, target)) return c;
    if (Code c = OperandOfItem(source, sourceSelection, 0, from)) return c;
    return CopyLoop(target, from);  // the operands close their access blocks on the way out
}

Code TransferCells(uint32_t direction, Structure* selection, uint8_t* buffer, ItemObject& item) {
    uint32_t cellType = CellTypeOf(item.flags);
    Operand cells, flat;
    if (Code c = OperandOfItem(item, selection, direction != 0, cells)) return c;
    if (Code c = OperandOfBuffer(cellType, buffer, cells.count, direction == 0, flat)) return c;
    return direction == 0 ? CopyLoop(flat, cells) : CopyLoop(cells, flat);
}

}  // namespace zrt
