// The session's day: the folder tree, the value-date choices, the chosen institution's panels,
// the clock, and the run record a build reads from the table.

#include "app/session.h"

#include <algorithm>
#include <filesystem>

#include "platform/drive_root.h"
#include "run/run_paths.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {
namespace {

// The folders the program writes into, made at the day's start.
constexpr const char* kProgramFolders[] = {
    "C:\\ZIVRON",
    "C:\\ZIVRON\\Arhiv",
    "C:\\ZIVRON\\Arhiv\\Hiuvim",
    "C:\\ZIVRON\\Arhiv\\Zikuyim",
    "C:\\ZIVRON\\Shidur",
    "C:\\ZIVRON\\Basis",
    "C:\\ZIVRON\\Basis\\Geviya",
    "C:\\ZIVRON\\Basis\\Haavarot",
    "C:\\ZIVRON\\Geviya",
    "C:\\ZIVRON\\Geviya\\Shidur",
    "C:\\ZIVRON\\Geviya\\Historya",
    "C:\\ZIVRON\\Haavarot",
    "C:\\ZIVRON\\Haavarot\\Shidur",
    "C:\\ZIVRON\\Haavarot\\Historya",
};

constexpr int kYearsOffered = 11;  // this year and the ten after it

std::string TwoDigits(int n) {
    return PadLeftWithZeros(std::to_string(n), 2);
}

void MakeProgramFolders() {
    for (const char* folder : kProgramFolders) {
        std::error_code ec;
        std::filesystem::path p = MapWrittenPath(folder);
        if (!std::filesystem::is_directory(p, ec)) {
            std::filesystem::create_directories(p, ec);
        }
    }
}

}  // namespace

// The days of the chosen month of the chosen year; in this month, from today on, as a value date
// that has passed is refused.
void Session::FillDays(ValueDateChoice& date) {
    const LocalTime now = port_.Now();
    const bool this_month =
        NumericValue(date.year.Text()) == now.year && NumericValue(date.month.Text()) == now.month;
    date.day.items.clear();
    const int n = static_cast<int>(NumericValue(DaysInMonth(date.month.Text(), date.year.Text())));
    for (int d = this_month ? now.day : 1; d <= n; ++d) {
        date.day.items.push_back(TwoDigits(d));
    }
}

std::string Choice::Text() const {
    return selected >= 0 && selected < static_cast<int>(items.size()) ? items[selected] : "";
}

void Choice::Select(const std::string& item) {
    auto it = std::find(items.begin(), items.end(), item);
    selected = it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void Session::Prepare() {
    MakeProgramFolders();
    const LocalTime now = port_.Now();
    for (PanelState* p : {&credit_, &collection_}) {
        ValueDateChoice& date = p->value_date;
        date.year.items.clear();
        for (int y = now.year; y < now.year + kYearsOffered; ++y) {
            date.year.items.push_back(std::to_string(y));
        }
        date.year.Select(std::to_string(now.year));
        FillMonths(date);
        date.month.Select(TwoDigits(now.month));
        FillDays(date);
        date.day.Select(TwoDigits(now.day));
    }
    StartNewInstitution();
}

// The months a year offers: every month of a year after this one, from this month on in this one.
// The chosen month stays when the year still offers it.
void Session::FillMonths(ValueDateChoice& date) {
    const LocalTime now = port_.Now();
    const std::string chosen = date.month.Text();
    const int first = NumericValue(date.year.Text()) > now.year ? 1 : now.month;
    date.month.items.clear();
    for (int m = first; m <= 12; ++m) {
        date.month.items.push_back(TwoDigits(m));
    }
    date.month.Select(chosen);
    if (date.month.selected < 0 && !date.month.items.empty()) {
        date.month.selected = 0;
    }
}

// A year chosen: its months, and the chosen month's days in that year (a leap February).
void Session::ValueDateYearChosen(Panel p) {
    ValueDateChoice& date = panel(p).value_date;
    FillMonths(date);
    const std::string day = date.day.Text();
    FillDays(date);
    date.day.Select(day);
    if (date.day.selected < 0 && !date.day.items.empty()) {
        date.day.selected = static_cast<int>(date.day.items.size()) - 1;  // the month's last day
    }
}

void Session::ValueDateMonthChosen(Panel p) {
    ValueDateChoice& date = panel(p).value_date;
    FillDays(date);
    date.day.selected = date.day.items.empty() ? -1 : 0;
}

void Session::ChooseInstitution(const Institution& institution) {
    editor_.name = institution.name;
    editor_.chosen = institution.number;
    credit_.institution_name = institution.name;
    collection_.institution_name = institution.name;
    credit_.codes = institution.credit;
    collection_.codes = institution.collection;
    credit_.summary.reset();
    collection_.summary.reset();
}

void Session::Tick() {
    clock_text_ = ClockText(port_.Now());
    if (clock_text_.substr(0, 2) == "02") {
        port_.EndProgram();
    }
}

void Session::OpenArchiveFolder(Panel p) {
    port_.ShellOpen(MapWrittenPath(p == Panel::Credit ? "C:\\ZIVRON\\Arhiv\\Zikuyim"
                                                      : "C:\\ZIVRON\\Arhiv\\Hiuvim"));
}

RunRecord Session::RunOf(Panel p) const {
    const PanelState& state = panel(p);
    RunRecord run;
    run.panel = p;
    run.institution = {state.codes.code, state.codes.software_code, state.institution_name};
    // The detail workbook's heading has always carried the credit panel's name.
    run.workbook_name = credit_.institution_name;
    const ValueDateChoice& date = state.value_date;
    if (IsCalendarDate(date.day.Text(), date.month.Text(), date.year.Text())) {
        run.date = {static_cast<int>(NumericValue(date.day.Text())),
                    static_cast<int>(NumericValue(date.month.Text())),
                    static_cast<int>(NumericValue(date.year.Text()))};
    }
    if (table_) {
        run.rows = table_->rows;
    }
    run.total_text = state.summary ? state.summary->total : "";
    return run;
}

}  // namespace zivron
