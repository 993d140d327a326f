#include "export_list.h"

#include <type_traits>

namespace zrt::host {

namespace {

template <class F>
ArrayExport arrayOf(F f) {
    if constexpr (std::is_same_v<F, ArrayExport>) return f; else return nullptr;
}
template <class F>
PairExport pairOf(F f) {
    if constexpr (std::is_same_v<F, PairExport>) return f; else return nullptr;
}

}  // namespace

const std::vector<ExportRow>& exportRows() {
#define ZRT_EXPORT(name, ordinal, form) \
    {#name, ordinal, ExportForm::form, arrayOf(&::name), pairOf(&::name)},
    static const std::vector<ExportRow> rows = {
#include "exports/exports.inc"
    };
#undef ZRT_EXPORT
    return rows;
}

const ExportRow* findExport(std::string_view name) {
    for (const ExportRow& r : exportRows())
        if (name == r.name) return &r;
    return nullptr;
}

}  // namespace zrt::host
