// The base lists of payees and payers: created once with their headings, opened afterwards.

#include <filesystem>

#include "app/hamara_form.h"
#include "platform/drive_root.h"

namespace zivron {

void HamaraForm::BaseList(const char* path, const char* first, const char* second) {
    const std::filesystem::path real = MapWrittenPath(path);
    std::error_code ec;
    if (std::filesystem::is_regular_file(real, ec)) {
        port_.ShellOpen(real);
        return;
    }
    port_.BusyPointer(true);
    auto app = port_.NewSpreadsheetApp();
    sheet::Workbook& wb = *app->Add();
    Status s = wb.AddWorksheet();
    const char* headings[] = {first, second, "בנק", "סניף", "חשבון", "סכום"};
    for (int c = 0; c < 6 && s.ok(); ++c) {
        s = wb.WriteText(1, c + 1, headings[c]);
    }
    if (s.ok()) {
        s = wb.SaveAs(real);
    }
    port_.BusyPointer(false);
    if (!s) {
        port_.MessageBox(s.error().message, kVendorTitle, Buttons::Ok);
        return;
    }
    app->MakeVisible(wb);
}

void HamaraForm::Command8_Click() {
    BaseList("C:\\ZIVRON\\Basis\\Haavarot\\BasisMutavim.xlsx", "שם מוטב", "זהות מוטב");
}

void HamaraForm::ZorBasisCollect_Click() {
    BaseList("C:\\ZIVRON\\Basis\\Geviya\\BasisMeshalmim.xlsx", "משלם", "זהות משלם");
}

}  // namespace zivron
