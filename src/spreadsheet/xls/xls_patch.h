#pragma once
// An .xls saved in place as a patch: the cells the program changed are replaced or inserted in
// their rows, a fill is a new format copied from the cell's own, and every other record stays
// byte for byte (formats, fonts, widths, merges, panes, filters, validations, formulas, other
// sheets, names); only the offsets that point into the stream are computed again. The other
// streams of the compound file go back as they were.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/result.h"
#include "spreadsheet/cell.h"

namespace zivron::sheet {

struct XlsCellEdit {
    std::optional<CellValue> value;          // a text or a number written
    std::optional<std::optional<Rgb>> fill;  // a fill set, or (nullopt inside) taken away
};
using XlsSheetEdits = std::map<std::pair<int, int>, XlsCellEdit>;  // (row, column) from 1

// The file with the edits made, sheet by sheet (index in the workbook's order).
Result<std::string> PatchXls(std::string_view file,
                             const std::map<std::size_t, XlsSheetEdits>& edits);

}  // namespace zivron::sheet
