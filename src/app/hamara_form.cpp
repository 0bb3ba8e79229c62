#include "app/hamara_form.h"

#include <algorithm>

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
