#include "app/file_dialogs.h"

#include "text/shaping.h"

namespace zivron {
namespace {

std::optional<std::filesystem::path> Ask(Port& port, FileDialogRequest request) {
    std::error_code ec;
    request.start_folder = std::filesystem::current_path(ec);
    const std::string path = Trim(port.OpenFileDialog(request));
    if (path.empty() || path == "x") {
        return std::nullopt;
    }
    return std::filesystem::path(path);
}

}  // namespace

std::optional<std::filesystem::path> AskForWorkbook(Port& port) {
    return Ask(port,
               {"excell Files (*.xls) (*.xlsx)", "*.xls *.xlsx", "איתור קובץ אקסל ליבוא", {}});
}

std::optional<std::filesystem::path> AskForAnyFile(Port& port) {
    return Ask(port, {"", "", "איתור קובץ מסב להמרה לאקסל", {}});
}

}  // namespace zivron
