// The exports by name, as the one list of exports gives them: XC finds array exports here.
#pragma once

#include <cstdint>

#include "zrt32.h"

namespace zrt {

enum class ExportForm { Array, Pair, Plain };

using ArrayExport = APLArray*(ZRT_API*)(APLArray*);
using PairExport = APLArray*(ZRT_API*)(APLArray*, APLArray*);

struct ExportRow {
    const char* name;
    uint32_t ordinal;
    ExportForm form;
    ArrayExport array;  // the function, for the Array form
    PairExport pair;    // the function, for the Pair form
};

// The rows in list order; count is set to their number.
const ExportRow* ExportRows(uint32_t& count);
// The row of an export of that exact name, or null.
const ExportRow* FindExport(const char* name);

}  // namespace zrt
