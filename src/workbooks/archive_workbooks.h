#pragma once
// The run's records beside its Masav file: the detail workbook of one run and the yearly summary
// workbook that every run of an institution appends to.

#include <filesystem>
#include <span>

#include "core/result.h"
#include "platform/port.h"
#include "run/run_record.h"
#include "spreadsheet/workbook.h"

namespace zivron {

// A new detail workbook of the run's first `rows` transactions.
Status WriteDetailWorkbook(sheet::SpreadsheetApp& app, const RunRecord& run,
                           const std::filesystem::path& path, const LocalTime& now);

// A new summary workbook holding the rows, or the rows appended at an existing one's end marker.
Status WriteNewSummaryWorkbook(sheet::SpreadsheetApp& app, std::span<const masav::Row> rows,
                               const std::filesystem::path& path, const LocalTime& now);
Status AppendSummaryWorkbook(sheet::SpreadsheetApp& app, std::span<const masav::Row> rows,
                             const std::filesystem::path& path, const LocalTime& now);

}  // namespace zivron
