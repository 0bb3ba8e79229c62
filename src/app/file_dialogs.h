#pragma once
// The file-open dialogs the front ends ask through the port: a workbook to import, or any file.

#include <filesystem>
#include <optional>

#include "platform/port.h"

namespace zivron {

// The chosen file's full path, or nothing when the operator cancels.
std::optional<std::filesystem::path> AskForWorkbook(Port& port);
std::optional<std::filesystem::path> AskForAnyFile(Port& port);

}  // namespace zivron
