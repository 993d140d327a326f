// Calc's operators: two tables that map a name to a kernel and the cell types it works on.
// Names match without case, first row first. The drivers (calc_drivers.h) never look at an
// operator's name: they read its flags.
//
// A kernel computes r[i] := a[i] op b[i] for n cells of blocks (walk.h): a double takes 8
// bytes, a bit one byte (1 or 0). r is a block of the caller's, 8-byte aligned; a and b may be
// the same, may be r itself, and may lie unaligned in a file's mapping. The two-operand table
// computes t := t op s with a = t and b = s.
//
// A kernel that gives doubles may be handed stored: the n cells that r will replace (walk.h's
// StoredRun, never r itself). It then also counts the results that leave their stored cell as
// it is (CellStays) and returns the count, reading the target in the same pass as the
// operands; without stored, or for a kernel that gives bits, it returns 0.
#pragma once

#include <cstdint>
#include <string_view>

namespace zrt {

using Kernel = int64_t (*)(uint8_t* r, const uint8_t* a, const uint8_t* b, uint32_t n,
                          const uint8_t* stored);

// A fold of runs that lie side by side (Reduce along an axis whose cells are consecutive):
// acc[l] := f(...f(f(c0, c1), c2)..., c(n-1)) where ci is the double at runs[l] + 8i, for each
// of lanes runs at once, so that the chains of operations overlap.
using RunsFold = void (*)(uint8_t* acc, const uint8_t* const* runs, uint32_t lanes, uint32_t n);

enum OperatorFlags : uint32_t {
    kTakesBits = 0x01,      // the sources are bit cells (else doubles)
    kGivesBits = 0x02,      // the results are bit cells (else doubles)
    kMove = 0x04,           // t := s, cells of either type; no kernel
    kMoveIf = 0x08,         // t := a where b; no kernel
    kMoveAudited = 0x10,    // t := a, changed cells stamped with b; no kernel
    kSumOrProduct = 0x20,   // "addto" and "multo", the operators of LComb and CorrectWtd
};

struct Operator {
    const char* name;
    Kernel kernel;
    uint32_t flags;
    RunsFold foldRuns = nullptr;  // the two-operand operators on doubles

    // The cell type of the sources and of the results (kBitCellType or kDoubleCellType).
    uint32_t takes() const;
    uint32_t gives() const;
};

// The row whose name matches, or null.
const Operator* FindTwoOperand(std::string_view name);
const Operator* FindThreeOperand(std::string_view name);

}  // namespace zrt
