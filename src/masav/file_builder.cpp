// The credit and collection builders: msv.001 from the transaction table, the activity-log
// entry, the run's workbooks, the archive copy.

#include <cmath>
#include <filesystem>

#include "app/hamara_form.h"
#include "app/run_paths.h"
#include "masav/masav_file.h"
#include "platform/atomic_file.h"
#include "platform/drive_root.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

struct BuildControls {
    int name_box, code_box, software_box, count_box, total_box;
    const ComboBox& day;
    const ComboBox& month;
    const ComboBox& year;
    const CheckBox& detail;
    const CheckBox& summary;
};

BuildControls ControlsOf(const HamaraForm& f, Panel panel) {
    if (panel == Panel::Credit) {
        return {7, 5, 6, 9, 8, f.Combo3, f.Combo2, f.Combo1, f.Check3, f.Check7};
    }
    return {0, 1, 2, 3, 4, f.Combo6, f.Combo5, f.Combo4, f.Check10, f.Check9};
}

// The first n characters of a UTF-8 text.
std::string FirstCharacters(const std::string& s, std::size_t n) {
    std::size_t i = 0;
    std::size_t chars = 0;
    while (i < s.size() && chars < n) {
        ++i;
        while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) {
            ++i;
        }
        ++chars;
    }
    return s.substr(0, i);
}

Status MakeFolder(const std::string& written) {
    std::error_code ec;
    fs::path p = MapWrittenPath(written);
    if (fs::is_directory(p, ec)) {
        return Ok();
    }
    if (!fs::create_directories(p, ec) && !fs::is_directory(p, ec)) {
        return Error{ErrorCode::IoFailure, "לא ניתן ליצור את התיקייה " + p.string()};
    }
    return Ok();
}

}  // namespace

void HamaraForm::Build(Panel panel) {
    const bool credit = panel == Panel::Credit;
    const Buttons buttons = credit ? Buttons::Ok : Buttons::OkCancel;
    if (importing_) {
        port_.MessageBox("יבוא קובץ מתבצע; לא ניתן ליצור קובץ לפני סיומו", "x", Buttons::Ok);
        return;
    }
    BuildControls ui = ControlsOf(*this, panel);
    const std::string name = TextGove[ui.name_box].text;
    const std::string code = TextGove[ui.code_box].text;
    const std::string software = TextGove[ui.software_box].text;
    if (name.empty()) {
        port_.MessageBox("בחר מוסד", "x", buttons);
        return;
    }
    const double count = NumericValue(TextGove[ui.count_box].text);
    if (count == 0) {
        port_.MessageBox("מספר תנועות אפס", "x", buttons);
        return;
    }
    // The count box can be edited by hand; rows past the last import are not transactions.
    if (count < 0 || count != std::floor(count) || count > rows_imported_) {
        port_.MessageBox("מספר התנועות (" + TextGove[ui.count_box].text +
                             ") אינו תואם את מספר השורות שנקלטו ביבוא האחרון (" +
                             std::to_string(rows_imported_) + ")",
                         "x", Buttons::Ok);
        return;
    }
    const int n = static_cast<int>(count);

    auto fail = [&](const std::string& message) {
        port_.BusyPointer(false);
        port_.MessageBox(message, kVendorTitle, Buttons::Ok);
    };
    const LocalTime today = port_.Now();
    for (const std::string& folder :
         {YearArchiveFolder(panel, today), MonthArchiveFolder(panel, today)}) {
        if (Status s = MakeFolder(folder); !s) {
            fail(s.error().message);
            return;
        }
    }

    std::vector<masav::Row> rows;
    rows.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const TableRow& t = Table[i];
        rows.push_back({t[1], t[2], t[3], t[4], t[5], t[6]});
    }
    masav::FileInput input;
    input.variant = credit ? masav::Variant::Credit : masav::Variant::Collection;
    input.institution = {code, software, name};
    input.date = {static_cast<int>(NumericValue(ui.day.Text())),
                  static_cast<int>(NumericValue(ui.month.Text())),
                  static_cast<int>(NumericValue(ui.year.Text()))};
    if (!IsCalendarDate(ui.day.Text(), ui.month.Text(), ui.year.Text())) {
        input.date = {};
    }
    input.rows = rows;

    port_.BusyPointer(true);
    Result<std::string> file = masav::BuildFile(input);
    if (!file) {
        fail(file.error().message);
        return;
    }
    if (Status s = MakeFolder(kTransmissionFolder); !s) {
        fail(s.error().message);
        return;
    }
    if (Status s = WriteFileAtomically(MapWrittenPath(kMasavFile), file.value()); !s) {
        fail(s.error().message);
        return;
    }

    const LocalTime now = port_.Now();
    std::string account_name = Label4.caption;
    if (!credit) {
        account_name = FirstCharacters(account_name, 49);
    }
    std::string query =
        "AdkenYomanPeilut.asp?MD=" + account_name + "&MD1=" + Label4.tag + "&RH=" + ClockText(now) +
        "&BA=" + DateText(now) + "&YI=" + TextGove[ui.count_box].text + "&TL1=" + name +
        "&Sah=" + TextGove[ui.total_box].text + "&TL=" + (credit ? "זיכויים" : "חיובים") +
        "&FX=" + code + "&FX1=" + software + "&MAIL=" + ComputerName();
    (void)port_.FetchPage(query);

    if (ui.detail.Ticked()) {
        port_.BusyPointer(true);
        Status s = ZorNewExel(DetailWorkbookPath(panel, code, port_.Now()), n, panel);
        port_.BusyPointer(false);
        if (!s) {
            fail(s.error().message);
            return;
        }
    }
    if (ui.summary.Ticked()) {
        const std::string summary = SummaryWorkbookPath(panel, code, port_.Now());
        port_.BusyPointer(true);
        std::error_code ec;
        Status s = fs::exists(MapWrittenPath(summary), ec) ? AdkenRikuzExel(summary, n)
                                                           : ZorNewExelRikuz(summary, n);
        port_.BusyPointer(false);
        if (!s) {
            fail(s.error().message);
            return;
        }
    }
    if (Status s =
            WriteFileAtomically(MapWrittenPath(ArchiveCopyPath(panel, port_.Now())), file.value());
        !s) {
        fail(s.error().message);
        return;
    }
    port_.ShellOpen(MapWrittenPath(kTransmissionFolder));
    port_.MessageBox("הקובץ נוצר בהצלחה ונמצא בתיקיית השידור", credit ? kVendorTitle : kVendorName,
                     Buttons::Ok);
    port_.BusyPointer(false);
}

}  // namespace zivron
