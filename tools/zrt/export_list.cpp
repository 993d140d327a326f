#include "export_list.h"

namespace zrt::host {

const std::vector<ExportRow>& exportRows() {
#define ZRT_EXPORT ZRT_EXPORT_ROW
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
