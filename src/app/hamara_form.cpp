#include "app/hamara_form.h"

#include <algorithm>

#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {

void ComboBox::Select(const std::string& item) {
    auto it = std::find(items.begin(), items.end(), item);
    selected = it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

HamaraForm::HamaraForm(Port& port) : Table(kTableRows), port_(port) {
    // The import options start ticked, the archive options clear.
    for (CheckBox* c : {&Check1, &Check2, &Check5, &Check4, &Check6, &Check8}) {
        c->value = 1;
    }
}

PanelControls HamaraForm::Controls(Panel panel) {
    auto& t = TextGove;
    if (panel == Panel::Credit) {
        return {t[box::CreditInstitutionName],
                t[box::CreditInstitutionCode],
                t[box::CreditSoftwareCode],
                t[box::CreditTransactions],
                t[box::CreditTotal],
                t[box::CreditTypingErrors],
                t[box::CreditInvalidAccounts],
                t[box::CreditInvalidIds],
                Check8,
                Check6,
                Check4,
                Check3,
                Check7,
                Check12,
                Combo3,
                Combo2,
                Combo1};
    }
    return {t[box::CollectionInstitutionName],
            t[box::CollectionMasavCode],
            t[box::CollectionSoftwareCode],
            t[box::CollectionTransactions],
            t[box::CollectionTotal],
            t[box::CollectionTypingErrors],
            t[box::CollectionInvalidAccounts],
            t[box::CollectionInvalidIds],
            Check1,
            Check2,
            Check5,
            Check10,
            Check9,
            Check13,
            Combo6,
            Combo5,
            Combo4};
}

void HamaraForm::ChooseInstitution(const InstitutionRecord& institution) {
    for (TextBox& b : TextGove) {
        b = {};
    }
    TextGove[box::InstitutionName] = {institution.name, std::to_string(institution.number)};
    TextGove[box::CollectionInstitutionName].text = institution.name;
    TextGove[box::CreditInstitutionName].text = institution.name;
    TextGove[box::CollectionMasavCode].text = institution.collection_code;
    TextGove[box::CollectionSoftwareCode].text = institution.collection_software;
    TextGove[box::CreditInstitutionCode].text = institution.credit_code;
    TextGove[box::CreditSoftwareCode].text = institution.credit_software;
}

RunRecord HamaraForm::RunOf(Panel panel, int rows) {
    PanelControls ui = Controls(panel);
    RunRecord run;
    run.panel = panel;
    run.institution = {ui.code.text, ui.software.text, ui.name.text};
    run.workbook_name = TextGove[box::CreditInstitutionName].text;
    if (IsCalendarDate(ui.day.Text(), ui.month.Text(), ui.year.Text())) {
        run.date = {static_cast<int>(NumericValue(ui.day.Text())),
                    static_cast<int>(NumericValue(ui.month.Text())),
                    static_cast<int>(NumericValue(ui.year.Text()))};
    }
    run.rows.reserve(static_cast<std::size_t>(std::max(rows, 0)));
    for (int i = 0; i < rows; ++i) {
        const TableRow& t = Table[static_cast<std::size_t>(i)];
        run.rows.push_back({t[1], t[2], t[3], t[4], t[5], t[6]});
    }
    run.total_text = ui.total.text;
    return run;
}

void HamaraForm::Command6_Click() {
    Import(Panel::Credit);
}
void HamaraForm::Command9_Click() {
    Import(Panel::Collection);
}
void HamaraForm::Command5_Click() {
    Build(Panel::Credit);
}
void HamaraForm::Commadddddddddnd8_Click() {
    Build(Panel::Collection);
}

}  // namespace zivron
