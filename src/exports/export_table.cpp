#include "exports/export_table.h"

#include <cstring>

namespace zrt {

namespace {

#define ZRT_EXPORT ZRT_EXPORT_ROW
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
