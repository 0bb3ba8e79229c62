// The build of a panel: msv.001 from the table, its archive copy, the run's workbooks and the
// activity-log entry.

#include <filesystem>

#include "app/session.h"
#include "core/atomic_file.h"
#include "platform/drive_root.h"
#include "run/masav_run.h"
#include "run/run_paths.h"
#include "text/numeric.h"
#include "workbooks/archive_workbooks.h"

namespace zivron {
namespace {

Error Refusal(std::string message) {
    return {ErrorCode::BadInput, std::move(message)};
}

// The busy pointer for as long as it lives.
struct Busy {
    explicit Busy(Port& p) : port(p) { port.BusyPointer(true); }
    ~Busy() { port.BusyPointer(false); }
    Port& port;
};

}  // namespace

// A build needs an institution and its own panel's import in the table.
Status Session::CheckBuildable(Panel p) const {
    const PanelState& state = panel(p);
    if (state.institution_name.empty()) {
        return Refusal("בחר מוסד");
    }
    if (!state.summary || state.summary->transactions == 0) {
        return Refusal("מספר תנועות אפס");
    }
    // The table holds the last import of either panel; only its own panel's import may be built.
    if (!table_ || table_->panel != p) {
        const bool credit = p == Panel::Credit;
        const std::string workbook =
            table_ ? std::filesystem::path(table_->workbook).filename().string() : "";
        const std::size_t rows = table_ ? table_->rows.size() : 0;
        return Refusal(std::string("הטבלה מחזיקה את יבוא ה") + (credit ? "חיובים" : "זיכויים") +
                       " מהחוברת " + workbook + " (" + std::to_string(rows) +
                       " שורות); יש לקלוט את חוברת ה" + (credit ? "זיכויים" : "חיובים") +
                       " מחדש ואז ליצור את הקובץ");
    }
    return Ok();
}

Result<BuildOutcome> Session::Build(Panel p) {
    if (importing_) {
        return Refusal("יבוא קובץ מתבצע; לא ניתן ליצור קובץ לפני סיומו");
    }
    ZIVRON_TRY(CheckBuildable(p));
    const RunRecord run = RunOf(p);
    const LocalTime today = port_.Now();
    ZIVRON_TRY(MakeWrittenFolder(YearArchiveFolder(p, today)));
    ZIVRON_TRY(MakeWrittenFolder(MonthArchiveFolder(p, today)));
    Busy busy(port_);
    Result<std::string> file = BuildMasav(run);
    if (!file) {
        return file.error();
    }
    ZIVRON_TRY(MakeWrittenFolder(kTransmissionFolder));
    ZIVRON_TRY(WriteMasavFile(run, file.value(), MapWrittenPath(kMasavFile)));
    BuildOutcome outcome{MapWrittenPath(kMasavFile), std::nullopt};
    // The service only hears of the run: while it is away the entry waits in the outbox. Without
    // an account (the command line run without one) there is no one to report to.
    if (account_ && !account_->number.empty()) {
        const LocalTime now = port_.Now();
        outcome.log_fate = link_.SendLog(
            ActivityLogQuery(run, *account_, NumberText(static_cast<double>(run.rows.size())), now,
                             port_.ComputerName()));
    }
    ZIVRON_TRY(WriteRunWorkbooks(p, run));
    ZIVRON_TRY(WriteFileAtomically(MapWrittenPath(ArchiveCopyPath(p, port_.Now())), file.value()));
    port_.ShellOpen(MapWrittenPath(kTransmissionFolder));
    return outcome;
}

// The detail workbook and the yearly summary, as the panel's archive options ask.
Status Session::WriteRunWorkbooks(Panel p, const RunRecord& run) {
    const ArchiveChoices& archive = panel(p).archive;
    // The clock is read for the path and again for the heading, in that order.
    if (archive.detail_workbook) {
        const std::filesystem::path detail =
            MapWrittenPath(DetailWorkbookPath(p, run.institution.code, port_.Now()));
        auto app = port_.NewSpreadsheetApp();
        ZIVRON_TRY(WriteDetailWorkbook(*app, run, detail, port_.Now()));
    }
    if (archive.summary_workbook) {
        const std::filesystem::path summary =
            MapWrittenPath(SummaryWorkbookPath(p, run.institution.code, port_.Now()));
        auto app = port_.NewSpreadsheetApp();
        std::error_code ec;
        const LocalTime now = port_.Now();
        ZIVRON_TRY(std::filesystem::exists(summary, ec)
                       ? AppendSummaryWorkbook(*app, run.rows, summary, now)
                       : WriteNewSummaryWorkbook(*app, run.rows, summary, now));
    }
    return Ok();
}

}  // namespace zivron
