// The credit and collection builder buttons: msv.001 from the transaction table, the activity-log
// entry, the run's workbooks, the archive copy. The detail and summary workbook operations.

#include <cmath>
#include <filesystem>

#include "app/hamara_form.h"
#include "platform/atomic_file.h"
#include "platform/drive_root.h"
#include "run/masav_run.h"
#include "run/run_paths.h"
#include "text/numeric.h"
#include "workbooks/archive_workbooks.h"

namespace zivron {

// The count box can be edited by hand; rows past the last import are not transactions. Returns
// the number of rows, or -1 after its message.
int HamaraForm::CheckedCount(Panel panel) {
    const Buttons buttons = panel == Panel::Credit ? Buttons::Ok : Buttons::OkCancel;
    PanelControls ui = Controls(panel);
    if (ui.name.text.empty()) {
        port_.MessageBox("בחר מוסד", "x", buttons);
        return -1;
    }
    const double count = NumericValue(ui.count.text);
    if (count == 0) {
        port_.MessageBox("מספר תנועות אפס", "x", buttons);
        return -1;
    }
    // The table holds the last import of either panel; only its own panel's import may be built.
    if (table_source_ && table_source_->panel != panel) {
        const bool credit = panel == Panel::Credit;
        port_.MessageBox(
            std::string("הטבלה מחזיקה את יבוא ה") + (credit ? "חיובים" : "זיכויים") + " מהחוברת " +
                std::filesystem::path(table_source_->workbook).filename().string() + " (" +
                std::to_string(table_source_->rows) + " שורות); יש לקלוט את חוברת ה" +
                (credit ? "זיכויים" : "חיובים") + " מחדש ואז ליצור את הקובץ",
            "x", Buttons::Ok);
        return -1;
    }
    if (count != RowsImported()) {
        port_.MessageBox("מספר התנועות (" + ui.count.text +
                             ") אינו תואם את מספר השורות שנקלטו ביבוא האחרון (" +
                             std::to_string(RowsImported()) + ")",
                         "x", Buttons::Ok);
        return -1;
    }
    return static_cast<int>(count);
}

void HamaraForm::Build(Panel panel) {
    const bool credit = panel == Panel::Credit;
    if (importing_) {
        port_.MessageBox("יבוא קובץ מתבצע; לא ניתן ליצור קובץ לפני סיומו", "x", Buttons::Ok);
        return;
    }
    const int n = CheckedCount(panel);
    if (n < 0) {
        return;
    }
    PanelControls ui = Controls(panel);
    const RunRecord run = RunOf(panel, n);
    auto fail = [&](const Error& e) {
        port_.BusyPointer(false);
        port_.MessageBox(e.message, kVendorTitle, Buttons::Ok);
    };
    auto step = [&](const Status& s) {
        if (!s) {
            fail(s.error());
        }
        return s.ok();
    };
    const LocalTime today = port_.Now();
    if (!step(MakeWrittenFolder(YearArchiveFolder(panel, today))) ||
        !step(MakeWrittenFolder(MonthArchiveFolder(panel, today)))) {
        return;
    }
    port_.BusyPointer(true);
    Result<std::string> file = BuildMasav(run);
    if (!file) {
        fail(file.error());
        return;
    }
    if (!step(MakeWrittenFolder(kTransmissionFolder)) ||
        !step(WriteMasavFile(run, file.value(), MapWrittenPath(kMasavFile)))) {
        return;
    }
    // The service only hears of the run: while it is away the entry waits in the outbox. Without
    // an account (the command line run without one) there is no one to report to.
    LastLogFate.reset();
    if (!Label4.tag.empty()) {
        LastLogFate = link_.SendLog(ActivityLogQuery(run, {Label4.caption, Label4.tag},
                                                     ui.count.text, port_.Now(), ComputerName()));
    }
    if (ui.detail.Ticked()) {
        port_.BusyPointer(true);
        Status s =
            ZorNewExel(DetailWorkbookPath(panel, run.institution.code, port_.Now()), n, panel);
        port_.BusyPointer(false);
        if (!step(s)) {
            return;
        }
    }
    if (ui.summary.Ticked()) {
        const std::string summary = SummaryWorkbookPath(panel, run.institution.code, port_.Now());
        port_.BusyPointer(true);
        std::error_code ec;
        Status s = std::filesystem::exists(MapWrittenPath(summary), ec)
                       ? AdkenRikuzExel(summary, n, panel)
                       : ZorNewExelRikuz(summary, n, panel);
        port_.BusyPointer(false);
        if (!step(s)) {
            return;
        }
    }
    if (!step(WriteFileAtomically(MapWrittenPath(ArchiveCopyPath(panel, port_.Now())),
                                  file.value()))) {
        return;
    }
    port_.ShellOpen(MapWrittenPath(kTransmissionFolder));
    port_.MessageBox("הקובץ נוצר בהצלחה ונמצא בתיקיית השידור", credit ? kVendorTitle : kVendorName,
                     Buttons::Ok);
    port_.BusyPointer(false);
}

Status HamaraForm::ZorNewExel(const std::string& KovezArhiv, int LinNumber, Panel panel) {
    auto app = port_.NewSpreadsheetApp();
    return WriteDetailWorkbook(*app, RunOf(panel, LinNumber), MapWrittenPath(KovezArhiv),
                               port_.Now());
}

Status HamaraForm::ZorNewExelRikuz(const std::string& KovezArhiv, int LinNumber, Panel panel) {
    auto app = port_.NewSpreadsheetApp();
    return WriteNewSummaryWorkbook(*app, RunOf(panel, LinNumber).rows, MapWrittenPath(KovezArhiv),
                                   port_.Now());
}

Status HamaraForm::AdkenRikuzExel(const std::string& KovezArhiv, int LinNumber, Panel panel) {
    auto app = port_.NewSpreadsheetApp();
    return AppendSummaryWorkbook(*app, RunOf(panel, LinNumber).rows, MapWrittenPath(KovezArhiv),
                                 port_.Now());
}

}  // namespace zivron
