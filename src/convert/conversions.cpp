// A Masav file, or a Michpal payroll export in the Masav layout, turned into a workbook.

#include <optional>
#include <vector>

#include "app/hamara_form.h"
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

// The file split at every LF; a CR before it stays at the end of its piece.
std::vector<std::string> Pieces(const std::string& text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    for (;;) {
        std::size_t lf = text.find('\n', at);
        if (lf == std::string::npos) {
            out.push_back(text.substr(at));
            return out;
        }
        out.push_back(text.substr(at, lf - at));
        at = lf + 1;
    }
}

// Characters `from`..`from + count - 1` (from 1) of a byte text, as far as they exist.
std::string Field(const std::string& s, std::size_t from, std::size_t count) {
    return from - 1 < s.size() ? s.substr(from - 1, count) : std::string();
}

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

}  // namespace

void HamaraForm::Command4_Click() {
    std::optional<WorkingFolder> keep(std::in_place);
    const std::string path = PetahAll(port_);
    if (path == "x") {
        port_.MessageBox("בחר קובץ לקריאה", kVendorTitle, Buttons::Ok);
        return;
    }
    port_.BusyPointer(true);
    auto fail = [&](const std::string& message) {
        port_.BusyPointer(false);
        keep.reset();
        port_.MessageBox(message, kVendorTitle, Buttons::Ok);
    };
    Result<std::string> text = ReadWholeFile(path);
    if (!text) {
        fail(text.error().message);
        return;
    }
    std::vector<std::string> lines = Pieces(text.value());
    if (!lines.empty() && lines.back().empty()) {
        lines.pop_back();  // the text ended with a line break
    }
    std::vector<std::string> names;
    for (std::size_t i = 1; i + 2 < lines.size(); ++i) {
        names.push_back(Field(Trim(lines[i]), 46, 16));
    }
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
    const std::string path = PetahAll(port_);
    if (path == "x") {
        port_.MessageBox("בחר קובץ לקריאה", kVendorTitle, Buttons::Ok);
        return;
    }
    port_.BusyPointer(true);
    Result<std::string> text = ReadWholeFile(path);
    if (!text) {
        port_.BusyPointer(false);
        keep.reset();
        port_.MessageBox(text.error().message, kVendorTitle, Buttons::Ok);
        return;
    }
    std::vector<std::string> pieces = Pieces(text.value());
    Conversion out(port_);
    if (Status s = out.Start(); !s) {
        port_.BusyPointer(false);
        port_.MessageBox(s.error().message, kVendorTitle, Buttons::Ok);
        return;
    }
    int row = 2;
    for (std::size_t p = 1; p + 2 < pieces.size() && row - 2 < kMaxEntries; ++p) {
        const std::string piece = Trim(pieces[p]);
        const std::string name = ReturnInMichpalAscii(Field(piece, 46, 16));
        if (name == "sof" || name.find("@@@") != std::string::npos) {
            break;  // the trailer's name is digits, which convert to "@"
        }
        const double whole = NumericValue(Field(piece, 62, 11));
        const std::string amount = NumberText(whole) + "." + Field(piece, 73, 2);
        const std::string cells[] = {
            name, FromWindows1255(Field(piece, 37, 9)), FromWindows1255(Field(piece, 18, 2)),
            FromWindows1255(Field(piece, 20, 3)), FromWindows1255(Field(piece, 27, 9))};
        for (int c = 0; c < 5; ++c) {
            (void)out.wb->WriteText(row, c + 1, cells[c]);
        }
        if (std::optional<double> v = RegionalNumber(amount)) {
            (void)out.wb->WriteNumber(row, 6, *v);
        } else {
            (void)out.wb->WriteText(row, 6, amount);
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
