#pragma once
// The base lists of payees and payers: a new workbook with the headings of an import sheet.

#include <filesystem>

#include "core/result.h"
#include "spreadsheet/workbook.h"

namespace zivron {

inline constexpr const char* kPayeesBaseList = "C:\\ZIVRON\\Basis\\Haavarot\\BasisMutavim.xlsx";
inline constexpr const char* kPayersBaseList = "C:\\ZIVRON\\Basis\\Geviya\\BasisMeshalmim.xlsx";

// The new list, saved at path; `first` and `second` head columns A and B.
Result<sheet::Workbook*> WriteBaseList(sheet::SpreadsheetApp& app,
                                       const std::filesystem::path& path, const char* first,
                                       const char* second);

}  // namespace zivron
