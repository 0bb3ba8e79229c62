#pragma once
// An .xls as written, read back: its records walked in every sheet, its shared strings counted,
// its INDEX and DBCELL offsets followed, and every sheet's cells and fills held against what
// the workbook meant to write.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "spreadsheet/sheet_values.h"

namespace zivron::sheet {

// What is wrong with the file's structure, a line a fault; empty for a sound file.
std::vector<std::string> XlsStructureFaults(std::string_view file);

// Nothing when `written` reads back as `meant`, sheet by sheet; else what differs. A structural
// fault counts only when `original` (the file the save replaces, empty for a new one) did not
// already have it: a file another program wrote is not refused for its own ways.
std::string XlsReadBackDifference(std::string_view written, std::string_view original,
                                  const std::vector<SheetValues>& meant);

// The guard of a save: `written`, the file on disk about to take `workbook`'s name, read back;
// refused, naming the workbook, on any difference.
Status CheckXlsWritten(const std::filesystem::path& workbook, const std::filesystem::path& written,
                       std::string_view original, const std::vector<SheetValues>& meant);

}  // namespace zivron::sheet
