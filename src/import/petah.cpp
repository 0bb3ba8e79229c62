#include "import/petah.h"

#include "text/shaping.h"

namespace zivron {
namespace {

std::string Ask(Port& port, FileDialogRequest request) {
    std::error_code ec;
    request.start_folder = std::filesystem::current_path(ec);
    std::string path = Trim(port.OpenFileDialog(request));
    if (path.empty() || path == "x") {
        return "x";
    }
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty()) {
        std::filesystem::current_path(folder, ec);
    }
    return path;
}

}  // namespace

std::string Petah(Port& port) {
    return Ask(port,
               {"excell Files (*.xls) (*.xlsx)", "*.xls *.xlsx", "איתור קובץ אקסל ליבוא", {}});
}

std::string PetahAll(Port& port) {
    return Ask(port, {"", "", "איתור קובץ מסב להמרה לאקסל", {}});
}

WorkingFolder::WorkingFolder() {
    std::error_code ec;
    saved_ = std::filesystem::current_path(ec);
}

WorkingFolder::~WorkingFolder() {
    if (!saved_.empty()) {
        std::error_code ec;
        std::filesystem::current_path(saved_, ec);
    }
}

}  // namespace zivron
