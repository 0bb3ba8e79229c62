// The build of a panel: msv.001 from the table, its archive copy, the run's workbooks and the
// activity-log entry.

#include <algorithm>
#include <filesystem>

#include "app/session.h"
#include "app/texts.h"
#include "core/atomic_file.h"
#include "masav/masav_reader.h"
#include "platform/drive_root.h"
#include "run/masav_run.h"
#include "run/run_paths.h"
#include "text/numeric.h"
#include "text/shaping.h"
#include "workbooks/archive_workbooks.h"

namespace zivron {
namespace {

// The faulty rows a refusal names, before it counts the rest.
constexpr std::size_t kFaultsNamed = 10;
// The count field of the trailer holds seven digits.
constexpr std::size_t kMostPayments = 9'999'999;

// The table's faulty rows, the first ten named, the rest counted.
Error FaultyRows(const std::vector<RowFault>& faults) {
    std::string message = texts::kFaultyRows;
    const std::size_t shown = std::min<std::size_t>(faults.size(), kFaultsNamed);
    for (std::size_t i = 0; i < shown; ++i) {
        message += "\n" + faults[i].text;
    }
    if (faults.size() > shown) {
        message +=
            "\n" + texts::Filled(texts::kMoreFaultyRows, {std::to_string(faults.size() - shown)});
    }
    return BadInput(message);
}

// What msv.001 in the transmission folder holds now, read back, or why it cannot be.
void ReadWaitingFile(FileReview& review) {
    const std::filesystem::path waiting = MapWrittenPath(kMasavFile);
    std::error_code ec;
    review.file_waiting = std::filesystem::exists(waiting, ec);
    if (!review.file_waiting) {
        return;
    }
    Result<std::string> bytes = ReadWholeFile(waiting);
    Result<masav::ReadFile> read =
        bytes ? masav::ReadMasavFile(bytes.value()) : Result<masav::ReadFile>(bytes.error());
    if (read) {
        review.waiting = std::move(read).value();
    } else {
        review.waiting_fault = read.error().message;
    }
}

}  // namespace

// The payee guard's findings for the run, or why the history could not give them.
void Session::GuardPayeesOf(const RunRecord& run, masav::Variant variant, FileReview& review) {
    PayeeHistory* history = History(review.history_fault);
    if (history == nullptr) {
        return;
    }
    Result<GuardReport> guard = GuardPayees(*history, run.institution.code, variant, run.rows,
                                            panel(run.panel).warn_new_payees);
    if (!guard) {
        review.history_fault = guard.error().message;
        return;
    }
    review.findings = std::move(guard.value().findings);
    review.new_payees = guard.value().new_payees;
}

// A build needs an institution and its own panel's import in the table.
Status Session::CheckBuildable(Panel p) const {
    const PanelState& state = panel(p);
    if (state.institution_name.empty()) {
        return BadInput(texts::kChooseInstitution);
    }
    // The table holds the last import of either panel; only its own panel's import may be built.
    if (table_ && table_->panel != p) {
        const bool credit = p == Panel::Credit;
        const std::string workbook = std::filesystem::path(table_->workbook).filename().string();
        const std::size_t rows = table_->rows.size();
        return BadInput(
            texts::Filled(texts::kTableHoldsOtherPanel,
                          {credit ? texts::kCollections : texts::kCredits, workbook,
                           std::to_string(rows), credit ? texts::kCredits : texts::kCollections}));
    }
    if (!table_ || !state.summary || state.summary->transactions == 0) {
        return BadInput(texts::kNoTransactions);
    }
    return Ok();
}

// A value date Masav can still take: a date of the calendar, today or later.
Status Session::CheckValueDate(const masav::ValueDate& date) {
    if (date.year == 0) {
        return BadInput(texts::kValueDateInvalid);
    }
    const LocalTime today = port_.Now();
    if (Before(date, today.year, today.month, today.day)) {
        return BadInput(texts::Filled(texts::kValueDatePassed, {masav::DateText(date)}));
    }
    return Ok();
}

// The run a file of the panel would carry, or why no file can be made of it.
Result<RunRecord> Session::FileableRun(Panel p) {
    if (importing_) {
        return BadInput(texts::kNoBuildWhileImporting);
    }
    ZIVRON_TRY(CheckBuildable(p));
    // Every row of the workbook goes into the file, or the rows that cannot are named.
    if (!table_->faults.empty()) {
        return FaultyRows(table_->faults);
    }
    if (table_->rows.size() > kMostPayments) {
        return BadInput(
            texts::Filled(texts::kTooManyPayments, {std::to_string(table_->rows.size())}));
    }
    RunRecord run = RunOf(p);
    ZIVRON_TRY(CheckValueDate(run.date));
    return run;
}

Result<FileReview> Session::Review(Panel p) {
    Result<RunRecord> fileable = FileableRun(p);
    if (!fileable) {
        return fileable.error();
    }
    const RunRecord& run = fileable.value();
    FileReview review;
    review.panel = p;
    review.institution_name = run.institution.name;
    review.institution_code = run.institution.code;
    review.value_date = run.date;
    review.weekend_note = WeekendNote(run.date);
    review.payments = static_cast<int>(run.rows.size());
    review.total = run.total_text;
    review.marks = table_->marks;
    review.warnings = table_->warnings;
    review.import_serial = table_->serial;
    ReadWaitingFile(review);
    const masav::Variant variant =
        p == Panel::Credit ? masav::Variant::Credit : masav::Variant::Collection;
    GuardPayeesOf(run, variant, review);
    const std::string yymmdd = masav::Yymmdd(run.date);
    review.cancel_by_default = !review.marks.empty() || review.AccountChanged() ||
                               (review.waiting && (review.waiting->variant != variant ||
                                                   review.waiting->payment_date != yymmdd));
    return review;
}

Result<BuildOutcome> Session::Build(Panel p, const FileReview& review) {
    port_.StartCommand();
    Result<RunRecord> fileable = FileableRun(p);
    if (!fileable) {
        return fileable.error();
    }
    const RunRecord& run = fileable.value();
    // The review stands for this import of this panel, as the panel holds it now; its findings
    // are the ones the operator saw, so they are not formed again.
    if (review.panel != p || review.import_serial != table_->serial ||
        review.institution_code != run.institution.code ||
        review.payments != static_cast<int>(run.rows.size()) || review.total != run.total_text ||
        masav::DateText(review.value_date) != masav::DateText(run.date)) {
        return BadInput(texts::kReviewStale);
    }
    if (review.AccountChanged() && !review.changes_accepted) {
        return BadInput(texts::kAccountChangesUnchecked);
    }
    const LocalTime today = port_.Now();
    ZIVRON_TRY(MakeWrittenFolder(YearArchiveFolder(p, today)));
    ZIVRON_TRY(MakeWrittenFolder(MonthArchiveFolder(p, today)));
    BusyWhile busy(port_);
    Result<std::string> file = BuildMasav(run);
    if (!file) {
        return file.error();
    }
    ZIVRON_TRY(MakeWrittenFolder(kTransmissionFolder));
    ZIVRON_TRY(WriteMasavFile(run, file.value(), MapWrittenPath(kMasavFile)));
    BuildOutcome outcome{MapWrittenPath(kMasavFile), std::nullopt, ""};
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
    // Only a file that was made enters the history the next review compares with.
    if (PayeeHistory* history = History(outcome.history_fault)) {
        if (Status s = history->Record(
                run.institution.code,
                p == Panel::Credit ? masav::Variant::Credit : masav::Variant::Collection, run.date,
                run.rows);
            !s) {
            outcome.history_fault = s.error().message;
        }
    }
    port_.ShellOpen(MapWrittenPath(kTransmissionFolder));
    return outcome;
}

// The payee history, opened at its first use; nothing, with the reason, when it cannot be.
PayeeHistory* Session::History(std::string& fault) {
    if (!history_) {
        Result<PayeeHistory> opened = PayeeHistory::Open(history_path);
        if (!opened) {
            fault = opened.error().message;
            return nullptr;
        }
        history_.emplace(std::move(opened).value());
    }
    return &*history_;
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
