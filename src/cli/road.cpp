#include "cli/road.h"

#include <filesystem>
#include <map>

#include "app/hamara_form.h"
#include "cli/cli_port.h"
#include "platform/drive_root.h"
#include "run/run_paths.h"

namespace zivron::cli {
namespace {

void SetCombo(ComboBox& combo, const std::string& text) {
    combo.items = {text};
    combo.selected = 0;
}

}  // namespace

bool ParseRoad(const std::vector<std::string>& args, bool credit, RoadOptions& o) {
    o.credit = credit;
    const std::map<std::string, std::string*> values = {
        {"--institution-code", &o.institution_code},
        {"--software-code", &o.software_code},
        {"--name", &o.name},
        {"--value-date", &o.value_date},
        {"--account-name", &o.account_name},
        {"--account-number", &o.account_number},
    };
    const std::map<std::string, std::pair<bool*, bool>> flags = {
        {"--leumi", {&o.leumi, true}},
        {"--no-fix", {&o.fix, false}},
        {"--no-mark-accounts", {&o.mark_accounts, false}},
        {"--no-mark-ids", {&o.mark_ids, false}},
        {"--detail", {&o.detail, true}},
        {"--summary", {&o.summary, true}},
        {"--current-rules", {&o.current_rules, true}},
        {"--explain", {&o.explain, true}},
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (auto v = values.find(a); v != values.end()) {
            if (i + 1 >= args.size()) {
                return false;
            }
            *v->second = args[++i];
        } else if (auto f = flags.find(a); f != flags.end()) {
            *f->second.first = f->second.second;
        } else if (a.rfind("--", 0) == 0 || !o.workbook.empty()) {
            return false;
        } else {
            o.workbook = a;
        }
    }
    // An empty name is the window's empty box: the builder refuses it with its own message.
    return !o.workbook.empty() && !o.institution_code.empty() && !o.software_code.empty();
}

int RunRoad(const RoadOptions& o, std::ostream& out, std::ostream& err) {
    std::error_code ec;
    const std::string workbook = std::filesystem::absolute(o.workbook, ec).string();
    CliPort port(workbook, !o.account_name.empty() || !o.account_number.empty());
    HamaraForm form(port);
    form.Label4 = {o.account_name, o.account_number};

    std::string day, month, year;
    if (o.value_date.empty()) {
        LocalTime t = port.Now();
        day = std::to_string(t.day);
        month = std::to_string(t.month);
        year = std::to_string(t.year);
    } else {
        std::size_t a = o.value_date.find('/');
        std::size_t b = a == std::string::npos ? a : o.value_date.find('/', a + 1);
        if (b == std::string::npos) {
            err << "תאריך הערך אינו תאריך תקין: " << o.value_date << "\n";
            return 2;
        }
        day = o.value_date.substr(0, a);
        month = o.value_date.substr(a + 1, b - a - 1);
        year = o.value_date.substr(b + 1);
    }
    // As choosing the institution in the list does: both panels hold its name and codes.
    form.ChooseInstitution(
        {0, o.name, o.institution_code, o.software_code, o.institution_code, o.software_code});
    const Panel panel = o.credit ? Panel::Credit : Panel::Collection;
    PanelControls ui = form.Controls(panel);
    ui.fix.value = o.fix;
    ui.mark_accounts.value = o.mark_accounts;
    ui.mark_ids.value = o.mark_ids;
    ui.detail.value = o.detail;
    ui.summary.value = o.summary;
    ui.current_rules.value = o.current_rules;
    form.Check11.value = o.leumi;
    SetCombo(ui.day, day);
    SetCombo(ui.month, month);
    SetCombo(ui.year, year);
    if (o.credit) {
        form.Command6_Click();
    } else {
        form.Command9_Click();
    }
    auto last_message_is = [&](const std::string& expected) {
        return !port.messages.empty() && port.messages.back() == expected;
    };
    if (!last_message_is("יבוא הקובץ הושלם")) {
        err << (port.messages.empty() ? "היבוא לא הושלם" : port.messages.back()) << "\n";
        return 1;
    }
    if (o.explain) {
        for (const ImportMark& m : form.LastMarks) {
            err << "שורה " << m.sheet_row << "\t" << m.name << "\t" << m.field << "\t" << m.reason
                << "\n";
        }
    }
    out << "typing-errors=" << ui.typing_errors.text
        << " invalid-accounts=" << ui.invalid_accounts.text
        << " invalid-ids=" << ui.invalid_ids.text << " transactions=" << ui.count.text
        << " total=" << ui.total.text << "\n";

    port.messages.clear();
    if (o.credit) {
        form.Command5_Click();
    } else {
        form.Commadddddddddnd8_Click();
    }
    if (!last_message_is("הקובץ נוצר בהצלחה ונמצא בתיקיית השידור")) {
        err << (port.messages.empty() ? "הקובץ לא נוצר" : port.messages.back()) << "\n";
        return 1;
    }
    if (form.LastLogFate == ServiceLink::LogFate::Queued) {
        err << "השירות אינו זמין: רישום הפעילות נשמר ויישלח כשהשירות יחזור\n";
    } else if (form.LastLogFate == ServiceLink::LogFate::Lost) {
        err << "השירות אינו זמין ורישום הפעילות לא נשמר\n";
    }
    out << std::filesystem::absolute(MapWrittenPath(kMasavFile), ec).string() << "\n";
    return 0;
}

}  // namespace zivron::cli
