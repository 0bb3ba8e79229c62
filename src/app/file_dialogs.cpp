#include "app/file_dialogs.h"

#include "platform/drive_root.h"
#include "run/run_paths.h"
#include "text/shaping.h"

namespace zivron {

std::optional<std::filesystem::path> AskForFile(Port& port, FilePurpose purpose) {
    const std::filesystem::path transmission = MapWrittenPath(kTransmissionFolder);
    FileDialogRequest request;
    switch (purpose) {
        case FilePurpose::ImportWorkbook:
            request = {"חוברות Excel", "*.xls *.xlsx", "בחר חוברת אקסל ליבוא", {}, "import"};
            break;
        case FilePurpose::ConvertMasav:
            request = {"", "", "בחר קובץ מס\"ב להמרה לאקסל", transmission, "convert-masav"};
            break;
        case FilePurpose::ConvertPayroll:
            request = {"", "", "בחר קובץ מיכפל להמרה לאקסל", {}, "convert-payroll"};
            break;
        case FilePurpose::ShowMasav:
            request = {"", "", "בחר קובץ מס\"ב להצגה", transmission, "show-masav"};
            break;
    }
    const std::string path = Trim(port.OpenFileDialog(request));
    if (path.empty()) {
        return std::nullopt;
    }
    return std::filesystem::path(path);
}

}  // namespace zivron
