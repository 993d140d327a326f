// The library's exports as the host calls them: made from the one list of exports, so that a new
// row is callable from scripts as soon as the library has it.
#pragma once

#include <string_view>
#include <vector>

#include "exports/export_table.h"

namespace zrt::host {

// The row of the export of that exact name, or null.
const ExportRow* findExport(std::string_view name);
const std::vector<ExportRow>& exportRows();

}  // namespace zrt::host
