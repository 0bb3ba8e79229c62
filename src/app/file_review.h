#pragma once
// The review a build forms before msv.001 is touched: what the file will hold, the rows the import
// marked and why, the value date's weekday, and what the transmission folder holds now. The window
// shows it in a dialog, the command line on stderr; no file is made without one.

#include <optional>
#include <string>
#include <vector>

#include "history/payee_guard.h"
#include "import/import_step.h"
#include "masav/masav_reader.h"
#include "run/run_record.h"

namespace zivron {

struct FileReview {
    Panel panel = Panel::Credit;
    std::string institution_name;
    std::string institution_code;
    masav::ValueDate value_date;
    std::string weekend_note;  // the value date falls on a day Masav does not work; else empty
    int payments = 0;
    std::string total;
    std::vector<ImportMark> marks;
    std::vector<ImportMark> warnings;  // shown; the file's default stays as the marks leave it
    // msv.001 as the transmission folder holds it now: read back, or why it could not be.
    bool file_waiting = false;
    std::optional<masav::ReadFile> waiting;
    std::string waiting_fault;
    // Cancel, not create, is the answer offered first: rows are marked, or the waiting file is of
    // the other variant or another value date.
    bool cancel_by_default = false;
    // The payee guard: findings against the institution's history, how many payees are new, and
    // why there are none when the history could not be read.
    std::vector<PayeeFinding> findings;
    int new_payees = 0;
    std::string history_fault;
    bool AccountChanged() const;
    // The operator checked the changed accounts ("בדקתי את שינויי החשבונות"); a build with a
    // changed account needs it.
    bool changes_accepted = false;
    long long import_serial = 0;  // which import it reviewed

    // The review in the operator's words, a fact a line.
    std::string Text() const;
};

// "יום שישי: מס"ב אינו פועל בסופי שבוע" for a Friday, likewise for a Saturday; empty otherwise.
std::string WeekendNote(const masav::ValueDate& date);
// Whether `date` comes before the day `year`, `month`, `day`.
bool Before(const masav::ValueDate& date, int year, int month, int day);

}  // namespace zivron
