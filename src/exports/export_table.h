// The exports by name, as the one list of exports gives them: XC finds array exports here.
#pragma once

#include <cstdint>
#include <type_traits>

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

// A row of the list as an ExportRow: the function is kept for the forms XC and the host call.
template <class F>
constexpr ArrayExport arrayFormOf(F f) {
    if constexpr (std::is_same_v<F, ArrayExport>) return f; else return nullptr;
}
template <class F>
constexpr PairExport pairFormOf(F f) {
    if constexpr (std::is_same_v<F, PairExport>) return f; else return nullptr;
}
#define ZRT_EXPORT_ROW(name, ordinal, form)                                              \
    {#name, ordinal, ::zrt::ExportForm::form, ::zrt::arrayFormOf(&::name),                \
     ::zrt::pairFormOf(&::name)},

// The rows in list order; count is set to their number.
const ExportRow* ExportRows(uint32_t& count);
// The row of an export of that exact name, or null.
const ExportRow* FindExport(const char* name);

}  // namespace zrt
