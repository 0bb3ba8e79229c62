#pragma once
// The import's work over an open workbook: find the data rows, fix typing errors, mark accounts
// and identity numbers that fail their checks, and hand back the rows and counters. The workbook
// is saved once, after the passes, when any of them changed it; a refused import has changed
// nothing.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/result.h"
#include "masav/masav_file.h"
#include "run/run_record.h"
#include "spreadsheet/workbook.h"
#include "validate/account_check.h"

namespace zivron {

struct ImportOptions {
    Panel panel = Panel::Credit;
    bool fix = true;            // remove non-digits from B..E, marking what changed
    bool mark_accounts = true;  // mark C..E of rows whose account fails its bank's rule
    bool mark_ids = true;       // mark B of rows whose identity number fails its check digit
    RuleSet rules = RuleSet::Original;
};

// A row the import marked, and why.
struct ImportMark {
    int sheet_row = 0;
    std::string name;
    std::string field;  // "חשבון", "זהות" or "סניף"
    std::string reason;
    std::string bank;  // the bank's and branch's names as the list gives them, for an account
};

// A row that cannot go into the file as it stands, and why, in the operator's words
// ("שורה 73 (ישראל ישראלי): חסר מספר חשבון").
struct RowFault {
    int sheet_row = 0;
    std::string text;
};

struct ImportOutcome {
    int typing_errors = 0;
    int invalid_accounts = 0;
    int invalid_ids = 0;
    std::vector<masav::Row> rows;   // sheet row n + 2 is rows[n]; credit amounts as numbers
    std::vector<ImportMark> marks;  // in the order the passes marked them
    // Valid accounts at a branch worth a second look ("סניף"): shown, marked in their own
    // colour, never holding a file back.
    std::vector<ImportMark> warnings;
    std::vector<RowFault> faults;  // whatever the options; a build refuses a table holding any
    double total = 0;              // the sum of the amounts as read
    // The sum of the amounts rounded to the agora, as a file's trailer carries it; nothing when
    // an amount is beyond what a file can carry.
    std::optional<long long> total_agorot = 0;
};

// Which pass a progress report comes from; the fix and copy passes let the window breathe.
enum class ImportPass { Fix, Accounts, Ids, Copy };
using ImportProgress =
    std::function<void(ImportPass pass, int sheet_row, int rows_found, const std::string& name)>;

inline constexpr int kFirstDataRow = 2;

Result<ImportOutcome> ImportWorkbook(sheet::Workbook& wb, const ImportOptions& options,
                                     const ImportProgress& progress,
                                     const MessageSink& bank_messages);

}  // namespace zivron
