#pragma once
// An .xls workbook read straight from its records: the compound document (OLE2) opened by
// following its allocation tables, then the BIFF8 "Workbook" stream: the sheets in their order,
// the active one, and every cell as it shows, formulas as their cached results.

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/result.h"
#include "platform/spreadsheet/xls_writer.h"

namespace zivron::sheet {

struct XlsBook {
    std::vector<XlsSheet> sheets;  // in the workbook's order
    std::size_t active = 0;        // the tab that was active when it was saved
};

// The stream of the given name in a compound document; refused for a damaged file (a sector
// outside the file, a cycle in an allocation table, a stream longer than its chain).
Result<std::string> CompoundStream(std::string_view file, std::u16string_view name);

// Every stream of a compound document, named by its path from the root: "Workbook" at the root,
// "_VBA_PROJECT_CUR/VBA/dir" inside storages.
Result<std::vector<std::pair<std::u16string, std::string>>> CompoundStreams(std::string_view file);

// The workbook; refused with the operator's message for a damaged or encrypted one.
Result<XlsBook> ReadXls(std::string_view file);

// The 56 colours of a workbook without a PALETTE record, for indices 8 to 63.
std::vector<Rgb> DefaultXlsPalette();

// The solid fill an XF record's data gives a cell, if it gives one.
std::optional<Rgb> XfSolidFill(std::string_view xf, const std::vector<Rgb>& palette);

}  // namespace zivron::sheet
