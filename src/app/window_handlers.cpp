// The main window's life: the folder tree, the value-date selectors, the clock, the archive and
// exit buttons.

#include <filesystem>

#include "app/hamara_form.h"
#include "platform/drive_root.h"
#include "run/run_paths.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {

void HamaraForm::ZorTikZivron() {
    static constexpr const char* kFolders[] = {
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
    for (const char* folder : kFolders) {
        std::error_code ec;
        std::filesystem::path p = MapWrittenPath(folder);
        if (!std::filesystem::is_directory(p, ec)) {
            std::filesystem::create_directories(p, ec);
        }
    }
}

void HamaraForm::FillDays(const ComboBox& month, const ComboBox& year, ComboBox& days) {
    days.items.clear();
    const int n = static_cast<int>(NumericValue(GetLastDayInMonth(month.Text(), year.Text())));
    for (int d = 1; d <= n; ++d) {
        days.items.push_back(HashlemAfasimA(std::to_string(d), 2));
    }
}

// The months a year offers: every month of a year after this one, from this month on in this one.
// The chosen month stays when the year still offers it.
void HamaraForm::FillMonths(const ComboBox& year, ComboBox& months) {
    const LocalTime now = port_.Now();
    const std::string chosen = months.Text();
    const int first = NumericValue(year.Text()) > now.year ? 1 : now.month;
    months.items.clear();
    for (int m = first; m <= 12; ++m) {
        months.items.push_back(HashlemAfasimA(std::to_string(m), 2));
    }
    months.Select(chosen);
    if (months.selected < 0 && !months.items.empty()) {
        months.selected = 0;
    }
}

// A year chosen: its months, and the chosen month's days in that year (a leap February).
void HamaraForm::YearChosen(const ComboBox& year, ComboBox& months, ComboBox& days) {
    FillMonths(year, months);
    const std::string day = days.Text();
    FillDays(months, year, days);
    days.Select(day);
    if (days.selected < 0 && !days.items.empty()) {
        days.selected = static_cast<int>(days.items.size()) - 1;  // the month's last day
    }
}

void HamaraForm::Combo1_Click() {
    YearChosen(Combo1, Combo2, Combo3);
}

void HamaraForm::Combo4_Click() {
    YearChosen(Combo4, Combo5, Combo6);
}

void HamaraForm::Form_Load() {
    ZorTikZivron();
    const LocalTime now = port_.Now();
    for (ComboBox* years : {&Combo1, &Combo4}) {
        years->items.clear();
        for (int y = now.year; y <= now.year + 10; ++y) {
            years->items.push_back(std::to_string(y));
        }
        years->Select(std::to_string(now.year));
    }
    Combo2.tag = "DALEG";
    const std::string this_month = HashlemAfasimA(std::to_string(now.month), 2);
    for (auto [years, months] : {std::pair{&Combo1, &Combo2}, std::pair{&Combo4, &Combo5}}) {
        FillMonths(*years, *months);
        months->Select(this_month);
    }
    Combo2.tag = "BAZEA";
    const std::string today = HashlemAfasimA(std::to_string(now.day), 2);
    FillDays(Combo2, Combo1, Combo3);
    Combo3.Select(today);
    FillDays(Combo5, Combo4, Combo6);
    Combo6.Select(today);
    Command1_Click();
}

void HamaraForm::Combo2_Click() {
    if (Combo2.tag == "DALEG") {
        return;
    }
    FillDays(Combo2, Combo1, Combo3);
    Combo3.selected = Combo3.items.empty() ? -1 : 0;
}

void HamaraForm::Combo5_Click() {
    if (Combo2.tag == "DALEG") {
        return;
    }
    FillDays(Combo5, Combo4, Combo6);
    Combo6.selected = Combo6.items.empty() ? -1 : 0;
}

void HamaraForm::Timer1_Timer() {
    if (!Timer1Enabled) {
        return;
    }
    Label7.caption = ClockText(port_.Now());
    if (Label7.caption.substr(0, 2) == "02") {
        port_.EndProgram();
    }
}

void HamaraForm::ComArhivZikuy_Click(int index) {
    port_.ShellOpen(
        MapWrittenPath(index <= 1 ? "C:\\ZIVRON\\Arhiv\\Zikuyim" : "C:\\ZIVRON\\Arhiv\\Hiuvim"));
}

void HamaraForm::Command285_Click() {
    port_.EndProgram();
}

}  // namespace zivron
