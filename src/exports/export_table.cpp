#include "exports/export_table.h"

#include <cstring>
#include <type_traits>

namespace zrt {

namespace {

template <class F>
ArrayExport arrayOf(F f) {
    if constexpr (std::is_same_v<F, ArrayExport>) return f; else return nullptr;
}
template <class F>
PairExport pairOf(F f) {
    if constexpr (std::is_same_v<F, PairExport>) return f; else return nullptr;
}

#define ZRT_EXPORT(name, ordinal, form) \
    {#name, ordinal, ExportForm::form, arrayOf(&::name), pairOf(&::name)},
const ExportRow rows[] = {
#include "exports/exports.inc"
};
#undef ZRT_EXPORT

}  // namespace

const ExportRow* ExportRows(uint32_t& count) {
    count = sizeof rows / sizeof rows[0];
    return rows;
}

const ExportRow* FindExport(const char* name) {
    for (const ExportRow& r : rows)
        if (std::strcmp(r.name, name) == 0) return &r;
    return nullptr;
}

}  // namespace zrt
