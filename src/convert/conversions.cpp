// A Masav file, or a Michpal payroll export in the Masav layout, turned into a workbook.

#include <optional>
#include <vector>

#include "app/hamara_form.h"
#include "convert/file_readers.h"
#include "import/petah.h"
#include "platform/atomic_file.h"
#include "platform/drive_root.h"
#include "text/hebrew.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {
namespace {

constexpr const char* kOutput = "c:\\Hamara.xls";
constexpr int kMaxEntries = 9999;
const char* const kHeadings[] = {"לקוח", "זהות לקוח", "בנק", "סניף", "חשבון", "סכום"};

struct Conversion {
    Port& port;
    std::unique_ptr<sheet::SpreadsheetApp> app;
    sheet::Workbook* wb = nullptr;

    explicit Conversion(Port& p) : port(p), app(p.NewSpreadsheetApp()) {}

    Status Start() {
        wb = app->Add();
        if (Status s = wb->AddWorksheet(); !s) {
            return s;
        }
        for (int c = 0; c < 6; ++c) {
            if (Status s = wb->WriteText(1, c + 1, kHeadings[c]); !s) {
                return s;
            }
        }
        return Ok();
    }
    Status Save() { return wb->SaveAs(MapWrittenPath(kOutput)); }
};

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
    auto fail = [&](const std::string& message) {
        port_.BusyPointer(false);
        keep.reset();
        port_.MessageBox(message, kVendorTitle, Buttons::Ok);
    };
    const std::vector<std::string> names = MasavNames(*text);
    Conversion out(port_);
    if (Status s = out.Start(); !s) {
        fail(s.error().message);
        return;
    }
    int k = 0;
    for (; k < kMaxEntries && k < static_cast<int>(names.size()); ++k) {
        if (names[static_cast<std::size_t>(k)] == "sof") {
            break;  // the list's own end marker
        }
        // The name as the file holds it, each byte a character of the code page.
        if (Status s =
                out.wb->WriteText(k + 2, 1, FromWindows1255(names[static_cast<std::size_t>(k)]));
            !s) {
            fail(s.error().message);
            return;
        }
    }
    if (Status s = out.Save(); !s) {
        fail(s.error().message);
        return;
    }
    port_.BusyPointer(false);
    out.app->MakeVisible(*out.wb);
    keep.reset();
    if (k == kMaxEntries && names.size() > static_cast<std::size_t>(kMaxEntries)) {
        port_.MessageBox("בקובץ " + std::to_string(names.size()) + " רשומות; נכתבו " +
                             std::to_string(kMaxEntries) + " הראשונות בלבד",
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
    Conversion out(port_);
    if (Status s = out.Start(); !s) {
        port_.BusyPointer(false);
        port_.MessageBox(s.error().message, kVendorTitle, Buttons::Ok);
        return;
    }
    int row = 2;
    for (const MichpalRow& entry : MichpalRows(*text, kMaxEntries)) {
        for (int c = 0; c < 5; ++c) {
            (void)out.wb->WriteText(row, c + 1, entry[static_cast<std::size_t>(c)]);
        }
        if (std::optional<double> v = RegionalNumber(entry[5])) {
            (void)out.wb->WriteNumber(row, 6, *v);
        } else {
            (void)out.wb->WriteText(row, 6, entry[5]);
        }
        ++row;
    }
    // A failed save ends without a message, as this conversion always has.
    if (Status s = out.Save(); !s) {
        keep.reset();
        port_.BusyPointer(false);
        return;
    }
    port_.BusyPointer(false);
    out.app->MakeVisible(*out.wb);
    keep.reset();
    port_.MessageBox("הקובץ נוצר בהצלחה ויפתח מייד", kVendorTitle, Buttons::Ok);
}

}  // namespace zivron
