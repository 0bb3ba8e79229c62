#pragma once
// A sheet as its values and fills alone: the neutral model a workbook hands over when it is
// saved under the other format, and what a new .xls is written from.

#include <filesystem>
#include <map>
#include <string>
#include <utility>

#include "core/result.h"
#include "spreadsheet/cell.h"

namespace zivron::sheet {

struct SheetValues {
    std::string name;
    std::map<std::pair<int, int>, CellValue> cells;  // (row, column) from 1
    std::map<std::pair<int, int>, Rgb> fills;
    bool right_to_left = true;
};

// A new .xls file at `path` holding the one sheet.
Status WriteValuesAsXls(const SheetValues& sheet, const std::filesystem::path& path);

}  // namespace zivron::sheet
