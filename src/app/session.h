#pragma once
// The application core: one operator's session, independent of any front end. Its state is typed
// values the front ends draw; its operations take typed arguments and return an outcome or an
// Error carrying the operator's Hebrew message. Questions, dialogs, the clock and the service go
// through the Port, so every road runs without a display.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/bank_lists.h"
#include "app/file_review.h"
#include "app/login_store.h"
#include "app/service_link.h"
#include "app/session_state.h"
#include "core/result.h"
#include "platform/port.h"

namespace zivron {

using ImportProgressFn = std::function<void(const ImportProgressReport&)>;

class Session {
  public:
    // The bank lists in use are the kept edition, or the program's own.
    explicit Session(Port& port) : port_(port) { UseKeptBankEdition(); }

    // --- the account

    // Logs in through the service, or offline with the last good login of this computer when the
    // service cannot be reached and the operator agrees. On success the session is prepared and
    // the details are saved as `details.remember` says.
    Status LogIn(const LoginDetails& details);
    // The account runs report to; none until a login (a run without one reports to no one).
    void SetAccount(const Account& account) { account_ = account; }
    const std::optional<Account>& account() const { return account_; }
    // Where a login's details are kept as `details.remember` says; none keeps nothing.
    LoginStore* login_store = nullptr;

    // The day's start: the folder tree, the value dates from today, a new institution's editor.
    void Prepare();

    // --- institutions

    // The account's institutions from the service, or as they last came while it is away.
    void ListInstitutions();
    const std::vector<ListEntry>& institutions() const { return institutions_; }
    int highlighted_institution() const { return highlighted_; }
    // The listed institution at `index` chosen: its codes fill both panels.
    Status ChooseListedInstitution(int index);
    // Both panels and the editor hold `institution`; every summary is emptied.
    void ChooseInstitution(const Institution& institution);
    // The editor emptied for a new institution.
    void StartNewInstitution();
    // The institution the editor and the panels' codes describe.
    Institution EditedInstitution() const;
    // Adds the edited institution, or updates the chosen one; the list is read again.
    Status SaveInstitution();
    Status DeleteChosenInstitution();
    InstitutionEditor& editor() { return editor_; }

    // --- the panels

    PanelState& panel(Panel p) { return p == Panel::Credit ? credit_ : collection_; }
    const PanelState& panel(Panel p) const { return p == Panel::Credit ? credit_ : collection_; }
    bool leumi = false;  // the credit value date's Leumi box
    // A value date's year or month chosen: the months and days it offers.
    void ValueDateYearChosen(Panel p);
    void ValueDateMonthChosen(Panel p);

    // --- import and build

    // Reads the panel's workbook, fixes and marks it as the panel's options say, and fills the
    // table. A refused import leaves the table as it was.
    Result<ImportSummary> Import(Panel p, const std::filesystem::path& workbook,
                                 const ImportProgressFn& progress = {});
    bool importing() const { return importing_; }
    const std::optional<ImportedTable>& table() const { return table_; }
    // What a build of the panel would write, for the operator to see before it is made; refused
    // when no file can be made (no institution, no import of the panel, faulty rows, a value
    // date that has passed).
    Result<FileReview> Review(Panel p);
    // msv.001 of the table's rows, its archive copy and workbooks, and the activity-log entry, as
    // `review` showed them; refused when anything changed since, and when it found a changed
    // account the operator has not accepted.
    Result<BuildOutcome> Build(Panel p, const FileReview& review);

    // --- files

    Result<ConversionOutcome> ConvertMasavNames(const std::filesystem::path& masav_file);
    Result<ConversionOutcome> ConvertPayrollExport(const std::filesystem::path& export_file);
    Result<MasavView> ReadMasavFileToShow(const std::filesystem::path& path);
    // The panel's base list opened, written first when it is not there: its path, and whether
    // it was written now.
    Result<BaseListOutcome> OpenBaseList(Panel p);
    void OpenArchiveFolder(Panel p);

    // --- the window's life

    // The clock's text; the program ends at two at night.
    void Tick();
    const std::string& clock_text() const { return clock_text_; }
    void Exit() { port_.EndProgram(); }

    // Where the payee guard keeps its history; opened once, at the first review.
    std::filesystem::path history_path = PayeeHistory::DefaultPath();

    Port& port() { return port_; }
    ServiceLink& link() { return link_; }

  private:
    // The details kept or forgotten as the operator chose; a keyring that does not answer is
    // said once by the store.
    void KeepLoginDetails(const LoginDetails& details);
    RunRecord RunOf(Panel p) const;
    Status CheckBuildable(Panel p) const;
    Result<RunRecord> FileableRun(Panel p);
    Status CheckValueDate(const masav::ValueDate& date);
    void GuardPayeesOf(const RunRecord& run, masav::Variant variant, FileReview& review);
    void FillDays(ValueDateChoice& date);
    Status CheckAccountForChanges() const;
    Status WriteRunWorkbooks(Panel p, const RunRecord& run);
    std::string InstitutionPairs() const;
    void FillMonths(ValueDateChoice& date);
    void AfterInstitutionChange();

    Port& port_;
    ServiceLink link_{port_};
    std::optional<Account> account_;
    std::vector<ListEntry> institutions_;
    int highlighted_ = -1;
    InstitutionEditor editor_;
    PanelState credit_;
    PanelState collection_;
    std::optional<ImportedTable> table_;
    long long imports_ = 0;
    std::optional<PayeeHistory> history_;
    PayeeHistory* History(std::string& fault);
    bool importing_ = false;
    std::string clock_text_;
};

}  // namespace zivron
