#pragma once
// A new .xls file (BIFF8 in a compound document) holding texts, numbers and solid fills: what the
// program writes into "c:\Hamara.xls". An imported .xls is saved as a patch of itself instead.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/result.h"
#include "platform/spreadsheet/cell.h"

namespace zivron::sheet {

struct XlsSheet {
    std::string name;
    std::map<std::pair<int, int>, CellValue> cells;  // (row, column) from 1
    std::map<std::pair<int, int>, Rgb> fills;
    std::map<std::pair<int, int>, std::uint16_t> cell_xf;  // as read: each cell's format
    bool right_to_left = true;
};

inline constexpr int kXlsMaxRows = 65536;
inline constexpr int kXlsMaxCols = 256;

// The whole file, `active` the tab selected and shown; refused, with a message, for what the
// format cannot hold (a cell past row 65536 or column 256, a text over 255 characters, more than
// 56 fill colours).
Result<std::string> WriteXls(const std::vector<XlsSheet>& sheets, std::size_t active = 0);

// A compound document of the given streams at its root, each at least 4096 bytes (padded with
// zeros) so it lives in ordinary sectors; the directory lists them in the order the format sorts
// names. At most about 7 MB in all: one table of sectors.
std::string CompoundOf(std::vector<std::pair<std::u16string, std::string>> streams);

// The compound document around one stream named "Workbook".
std::string CompoundFile(const std::string& workbook_stream);

}  // namespace zivron::sheet
