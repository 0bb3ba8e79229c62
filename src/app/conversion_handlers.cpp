// The conversion buttons (a Masav file's names, a Michpal payroll export, both into
// "c:\Hamara.xls") and the base-list buttons.

#include <filesystem>
#include <optional>

#include "app/hamara_form.h"
#include "convert/conversion_workbook.h"
#include "import/petah.h"
#include "platform/atomic_file.h"
#include "platform/drive_root.h"
#include "workbooks/base_lists.h"

namespace zivron {
namespace {

// The chosen file's text, with the busy pointer on; nothing (after its message) when the operator
// cancels or the file cannot be read.
std::optional<std::string> ChosenFileText(Port& port, std::optional<WorkingFolder>& keep) {
    const std::string path = PetahAll(port);
    if (path == "x") {
        port.MessageBox("בחר קובץ לקריאה", kVendorTitle, Buttons::Ok);
        return std::nullopt;
    }
    port.BusyPointer(true);
    Result<std::string> text = ReadWholeFile(path);
    if (!text) {
        port.BusyPointer(false);
        keep.reset();
        port.MessageBox(text.error().message, kVendorTitle, Buttons::Ok);
        return std::nullopt;
    }
    return std::move(text).value();
}

}  // namespace

void HamaraForm::Command4_Click() {
    std::optional<WorkingFolder> keep(std::in_place);
    std::optional<std::string> text = ChosenFileText(port_, keep);
    if (!text) {
        return;
    }
    const std::vector<std::string> names = MasavNames(*text);
    auto app = port_.NewSpreadsheetApp();
    Result<ConversionWorkbook> out = NamesWorkbook(*app, names);
    Status saved =
        out ? out.value().workbook->SaveAs(MapWrittenPath(kConversionOutput)) : Status(out.error());
    port_.BusyPointer(false);
    if (!saved) {
        keep.reset();
        port_.MessageBox(saved.error().message, kVendorTitle, Buttons::Ok);
        return;
    }
    app->MakeVisible(*out.value().workbook);
    keep.reset();
    if (out.value().entries == kMaxConversionEntries &&
        names.size() > static_cast<std::size_t>(kMaxConversionEntries)) {
        port_.MessageBox("בקובץ " + std::to_string(names.size()) + " רשומות; נכתבו " +
                             std::to_string(kMaxConversionEntries) + " הראשונות בלבד",
                         kVendorTitle, Buttons::Ok);
    }
    port_.MessageBox("הקובץ נוצר בהצלחה ויפתח מייד", kVendorTitle, Buttons::Ok);
}

void HamaraForm::excellmichpal_Click() {
    std::optional<WorkingFolder> keep(std::in_place);
    std::optional<std::string> text = ChosenFileText(port_, keep);
    if (!text) {
        return;
    }
    auto app = port_.NewSpreadsheetApp();
    Result<ConversionWorkbook> out =
        MichpalWorkbook(*app, MichpalRows(*text, kMaxConversionEntries));
    if (!out) {
        port_.BusyPointer(false);
        port_.MessageBox(out.error().message, kVendorTitle, Buttons::Ok);
        return;
    }
    // A failed save ends without a message, as this conversion always has.
    if (!out.value().workbook->SaveAs(MapWrittenPath(kConversionOutput))) {
        keep.reset();
        port_.BusyPointer(false);
        return;
    }
    port_.BusyPointer(false);
    app->MakeVisible(*out.value().workbook);
    keep.reset();
    port_.MessageBox("הקובץ נוצר בהצלחה ויפתח מייד", kVendorTitle, Buttons::Ok);
}

void HamaraForm::ShowMasav_Click() {
    std::optional<WorkingFolder> keep(std::in_place);
    const std::string path = PetahAll(port_);
    keep.reset();
    if (path == "x") {
        port_.MessageBox("בחר קובץ לקריאה", kVendorTitle, Buttons::Ok);
        return;
    }
    Result<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        port_.MessageBox(bytes.error().message, kVendorTitle, Buttons::Ok);
        return;
    }
    Result<masav::ReadFile> file = masav::ReadMasavFile(bytes.value());
    ShownMasavFile = MasavView{path, std::nullopt, ""};
    if (file) {
        ShownMasavFile->file = std::move(file).value();
    } else {
        ShownMasavFile->fault = file.error().message;
    }
}

void HamaraForm::BaseList(const char* path, const char* first, const char* second) {
    const std::filesystem::path real = MapWrittenPath(path);
    std::error_code ec;
    if (std::filesystem::is_regular_file(real, ec)) {
        port_.ShellOpen(real);
        return;
    }
    port_.BusyPointer(true);
    auto app = port_.NewSpreadsheetApp();
    Result<sheet::Workbook*> wb = WriteBaseList(*app, real, first, second);
    port_.BusyPointer(false);
    if (!wb) {
        port_.MessageBox(wb.error().message, kVendorTitle, Buttons::Ok);
        return;
    }
    app->MakeVisible(*wb.value());
}

void HamaraForm::Command8_Click() {
    BaseList(kPayeesBaseList, "שם מוטב", "זהות מוטב");
}

void HamaraForm::ZorBasisCollect_Click() {
    BaseList(kPayersBaseList, "משלם", "זהות משלם");
}

}  // namespace zivron
