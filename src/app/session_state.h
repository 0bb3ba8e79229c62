#pragma once
// The typed state the application core keeps and the front ends draw: the account, the
// institutions, each panel's institution, options, value date and import summary, and the table
// the last import filled.

#include <optional>
#include <string>
#include <vector>

#include "app/service_link.h"
#include "app/texts.h"
#include "import/import_step.h"
#include "masav/masav_reader.h"
#include "run/masav_run.h"
#include "run/run_record.h"
#include "service/replies.h"

namespace zivron {

// The program's name as its windows and messages title it.
using texts::kProgramTitle;

// A Masav code and the software code that goes with it.
struct PanelCodes {
    std::string code;
    std::string software_code;
};

// An institution as the list and its details reply give it.
struct Institution {
    long long number = 0;
    std::string name;
    PanelCodes collection;
    PanelCodes credit;
};

// What an import does besides reading the rows.
struct ImportChoices {
    bool fix_typing = true;     // remove non-digits from B..E, marking what changed
    bool mark_accounts = true;  // mark accounts that fail their bank's rule
    bool mark_ids = true;       // mark identity numbers that fail their check digit
    bool current_rules = false;
};

// The workbooks a build writes beside msv.001.
struct ArchiveChoices {
    bool detail_workbook = false;
    bool summary_workbook = false;
};

// One list of choices with the one chosen: a day, a month or a year.
struct Choice {
    std::vector<std::string> items;
    int selected = -1;
    std::string Text() const;
    // Chooses `item`; nothing is chosen when the list does not hold it.
    void Select(const std::string& item);
};

struct ValueDateChoice {
    Choice day;
    Choice month;
    Choice year;
};

// What an import counted, as the panel's summary shows it.
struct ImportSummary {
    int typing_errors = 0;
    int invalid_accounts = 0;
    int invalid_ids = 0;
    int transactions = 0;
    std::string total;  // the sum as a number's text, to the agora when it fits a file
};

struct PanelState {
    std::string institution_name;
    PanelCodes codes;
    ImportChoices import;
    ArchiveChoices archive;
    ValueDateChoice value_date;
    std::optional<ImportSummary> summary;  // emptied when another institution is chosen
    bool warn_new_payees = false;          // a payee never paid before is a finding, not a count
};

// The rows the last import of either panel read, and where from.
struct ImportedTable {
    Panel panel = Panel::Credit;
    std::string workbook;
    std::vector<masav::Row> rows;  // sheet row n + 2 is rows[n]
    std::vector<ImportMark> marks;
    std::vector<ImportMark> warnings;  // branches to look at again; they hold no file back
    std::vector<RowFault> faults;      // rows that cannot go into a file as they stand
    long long serial = 0;              // counts the imports of the session
};

// The institution panel: the name being typed or the chosen institution's, and whether the next
// save adds a new institution or updates the chosen one.
struct InstitutionEditor {
    std::string name;
    long long chosen = 0;  // the chosen institution's number; 0 when none is
    bool updating = false;
    bool can_delete = false;
};

// A running import's place, for the progress bar and the elapsed time.
struct ImportProgressReport {
    int sheet_row = 0;
    int rows_found = 0;
    double elapsed_seconds = 0;
    std::string payee;  // the name on the row the typing fix reached
};

struct BuildOutcome {
    std::filesystem::path masav_file;
    // What became of the activity-log entry; nothing when no account was there to report to.
    std::optional<ServiceLink::LogFate> log_fate;
    // The payee history could not take the file's rows; the file is made all the same.
    std::string history_fault;
};

// A Masav file chosen to be shown: what it holds, or its first fault.
struct MasavView {
    std::string path;
    std::optional<masav::ReadFile> file;
    std::string fault;  // empty when the file is whole
};

// A workbook a conversion wrote.
struct BaseListOutcome {
    std::filesystem::path workbook;
    bool written = false;
};

struct ConversionOutcome {
    std::filesystem::path workbook;
    std::size_t records_found = 0;
    int records_written = 0;
    bool Truncated() const { return records_found > static_cast<std::size_t>(records_written); }
};

}  // namespace zivron
