#include "arrayfile/cells.h"

#include "arrayfile/access_block.h"
#include "arrayfile/item_flags.h"

namespace zrt {

void GetNothing(uint8_t*, uint32_t, uint8_t*, AccessBlock*) {}

CellRoutines RoutinesForFlags(uint32_t flags) {
    uint32_t residency = flags & kResidencyMask;
    uint32_t kind = CellKindOf(flags);
    CellRoutines r;
    if (residency != kInMemory && residency != kInFile) return r;
    if (kind == kBitCells) {
        r.get = GetBitCell;
        r.put = PutBitCell;
    } else if (kind == kDoubleCells) {
        r.get = GetDoubleCell;
        r.put = residency == kInFile ? PutFileDouble : PutDoubleCell;
    } else {
        return r;
    }
    if (residency == kInFile) {
        r.openAccess = CreateFileAccessBlock;
        r.closeAccess = CloseFileAccessBlock;
    }
    return r;
}

CellRoutines BufferRoutines(uint32_t cellType) {
    CellRoutines r;
    if (cellType == kBitCellType) {
        r.get = GetBitCell;
        r.put = PutBitCell;
    } else if (cellType == kDoubleCellType) {
        r.get = GetDoubleCell;
        r.put = PutDoubleCell;
    }
    return r;
}

}  // namespace zrt
