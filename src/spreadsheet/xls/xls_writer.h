#pragma once
// A new .xls file (BIFF8 in a compound document) holding texts, numbers and solid fills: what the
// program writes into "c:\Hamara.xls". An imported .xls is saved as a patch of itself instead.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/result.h"
#include "spreadsheet/sheet_values.h"

namespace zivron::sheet {

inline constexpr int kXlsMaxRows = 65536;
inline constexpr int kXlsMaxCols = 256;

// The whole file, `active` the tab selected and shown, its records in the order Excel writes
// them: the texts in the shared string table, the cells in row blocks with an INDEX. Refused,
// with a message, for what the format cannot hold (a cell past row 65536 or column 256, a text
// over 32,767 characters, more than 56 fill colours).
Result<std::string> WriteXls(const std::vector<SheetValues>& sheets, std::size_t active = 0);

}  // namespace zivron::sheet
