#include "app/file_dialogs.h"

#include "app/texts.h"
#include "platform/drive_root.h"
#include "run/run_paths.h"
#include "text/shaping.h"

namespace zivron {

std::optional<std::filesystem::path> AskForFile(Port& port, FilePurpose purpose) {
    const std::filesystem::path transmission = MapWrittenPath(kTransmissionFolder);
    FileDialogRequest request;
    switch (purpose) {
        case FilePurpose::ImportWorkbook:
            request = {texts::kWorkbooksFilter,
                       "*.xls *.xlsx",
                       texts::kChooseWorkbookToImport,
                       {},
                       "import"};
            break;
        case FilePurpose::ConvertMasav:
            request = {"", "", texts::kChooseMasavToConvert, transmission, "convert-masav"};
            break;
        case FilePurpose::ConvertPayroll:
            request = {"", "", texts::kChoosePayrollToConvert, {}, "convert-payroll"};
            break;
        case FilePurpose::ShowMasav:
            request = {"", "", texts::kChooseMasavToShow, transmission, "show-masav"};
            break;
    }
    const std::string path = Trim(port.OpenFileDialog(request));
    if (path.empty()) {
        return std::nullopt;
    }
    return std::filesystem::path(path);
}

}  // namespace zivron
