#pragma once
// The bundled sample run: one institution and a handful of payees, so the main job runs with
// nothing supplied.

#include <filesystem>
#include <string>
#include <vector>

#include "core/result.h"

#include "masav/masav_file.h"

namespace zivron {

masav::Institution SampleInstitution();
// The account the sample runs under, shown in the top bar.
std::string SampleAccountName();
std::vector<masav::Row> SampleRows();

// The sample rows as an import workbook: headings in row 1, one payee a row from row 2.
Status WriteSampleWorkbook(const std::filesystem::path& path);

}  // namespace zivron
