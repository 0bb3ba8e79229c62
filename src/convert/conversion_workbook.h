#pragma once
// The workbook a conversion leaves for the operator ("c:\Hamara.xls"): the headings in row 1,
// one entry a row from row 2.

#include <string>
#include <vector>

#include "convert/file_readers.h"
#include "core/result.h"
#include "spreadsheet/workbook.h"

namespace zivron {

inline constexpr const char* kConversionOutput = "c:\\Hamara.xls";
inline constexpr int kMaxConversionEntries = 9999;

// A new workbook, not yet saved, and how many entries it holds.
struct ConversionWorkbook {
    sheet::Workbook* workbook = nullptr;
    int entries = 0;
};

// A Masav file's names (byte texts, as the file holds them) in column A, up to the list's own end
// marker "sof" and at most kMaxConversionEntries.
Result<ConversionWorkbook> NamesWorkbook(sheet::SpreadsheetApp& app,
                                         const std::vector<std::string>& names);

// A Michpal export's payees in columns A..F, amounts as numbers where they read as one.
Result<ConversionWorkbook> MichpalWorkbook(sheet::SpreadsheetApp& app,
                                           const std::vector<MichpalRow>& rows);

}  // namespace zivron
