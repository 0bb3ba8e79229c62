#pragma once
// An .xls workbook read straight from its records: the BIFF8 "Workbook" stream of its compound
// document: the sheets in their order,
// the active one, and every cell as it shows, formulas as their cached results.

#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/result.h"
#include "spreadsheet/xls/xls_writer.h"

namespace zivron::sheet {

struct XlsBook {
    std::vector<SheetValues> sheets;  // in the workbook's order
    std::size_t active = 0;           // the tab that was active when it was saved
};

// The workbook; refused with the operator's message for a damaged or encrypted one.
Result<XlsBook> ReadXls(std::string_view file);

// The 56 colours of a workbook without a PALETTE record, for indices 8 to 63.
std::vector<Rgb> DefaultXlsPalette();

// The solid fill an XF record's data gives a cell, if it gives one.
std::optional<Rgb> XfSolidFill(std::string_view xf, const std::vector<Rgb>& palette);

}  // namespace zivron::sheet
