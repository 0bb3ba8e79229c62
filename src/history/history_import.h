#pragma once
// The yearly summary workbooks the program has always written, read back into the payee history,
// so a new installation's guard starts with the past year.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/result.h"
#include "history/payee_history.h"
#include "spreadsheet/workbook.h"

namespace zivron {

// Whose payments a summary holds: its institution and variant.
struct SummarySource {
    std::string institution;
    masav::Variant variant = masav::Variant::Credit;
};

// As the program names a summary: "...\Zikuyim\2026\Rikuz=2026mosad=12345678.xlsx" (credit) or
// under "Hiuvim" (collection); nothing for another name.
std::optional<SummarySource> SourceOfSummaryPath(const std::filesystem::path& path);

// The summary's rows, one run for each date and time they carry, oldest first.
Result<std::vector<std::vector<PastPayment>>> ReadSummaryRuns(sheet::SpreadsheetApp& app,
                                                              const std::filesystem::path& path,
                                                              const SummarySource& source);

}  // namespace zivron
