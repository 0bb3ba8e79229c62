#pragma once
// The file-open dialogs the front ends ask through the port, each titled for what is chosen and
// opening in the folder of its purpose.

#include <filesystem>
#include <optional>

#include "platform/port.h"

namespace zivron {

enum class FilePurpose {
    ImportWorkbook,  // a workbook of payees or payers
    ConvertMasav,    // a Masav file whose names become a workbook
    ConvertPayroll,  // a payroll export that becomes a workbook
    ShowMasav,       // a Masav file to be shown
};

// The chosen file's full path, or nothing when the operator cancels.
std::optional<std::filesystem::path> AskForFile(Port& port, FilePurpose purpose);

}  // namespace zivron
