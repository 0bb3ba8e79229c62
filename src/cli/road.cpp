#include "cli/road.h"

#include <filesystem>
#include <map>

#include "app/session.h"
#include "cli/cli_port.h"

namespace zivron::cli {
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
        {"--allow-marked", {&o.allow_marked, true}},
        {"--accept-changes", {&o.accept_changes, true}},
        {"--warn-new-payees", {&o.warn_new_payees, true}},
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

namespace {

// The value date as DD/MM/YYYY, or today's.
bool SetValueDate(const std::string& text, const LocalTime& today, ValueDateChoice& date) {
    std::string day = std::to_string(today.day);
    std::string month = std::to_string(today.month);
    std::string year = std::to_string(today.year);
    if (!text.empty()) {
        const std::size_t a = text.find('/');
        const std::size_t b = a == std::string::npos ? a : text.find('/', a + 1);
        if (b == std::string::npos) {
            return false;
        }
        day = text.substr(0, a);
        month = text.substr(a + 1, b - a - 1);
        year = text.substr(b + 1);
    }
    date = {{{day}, 0}, {{month}, 0}, {{year}, 0}};
    return true;
}

}  // namespace

int RunRoad(const RoadOptions& o, std::ostream& out, std::ostream& err) {
    const bool online = !o.account_name.empty() || !o.account_number.empty();
    CliPort port(online, err);
    Session session(port);
    if (online) {
        session.SetAccount({o.account_name, o.account_number});
    }
    // As choosing the institution in the list does: both panels hold its name and codes.
    const PanelCodes codes{o.institution_code, o.software_code};
    session.ChooseInstitution({0, o.name, codes, codes});
    const Panel panel = o.credit ? Panel::Credit : Panel::Collection;
    PanelState& state = session.panel(panel);
    state.import = {o.fix, o.mark_accounts, o.mark_ids, o.current_rules};
    state.archive = {o.detail, o.summary};
    state.warn_new_payees = o.warn_new_payees;
    session.leumi = o.leumi;
    if (!SetValueDate(o.value_date, port.Now(), state.value_date)) {
        err << "תאריך הערך אינו תאריך תקין: " << o.value_date << "\n";
        return 2;
    }

    std::error_code ec;
    Result<ImportSummary> imported =
        session.Import(panel, std::filesystem::absolute(o.workbook, ec));
    if (!imported) {
        err << imported.error().message << "\n";
        return 1;
    }
    if (o.explain) {
        for (const auto* rows : {&session.table()->marks, &session.table()->warnings}) {
            for (const ImportMark& m : *rows) {
                err << "שורה " << m.sheet_row << "\t" << m.name << "\t" << m.field << "\t"
                    << m.reason << (m.bank.empty() ? "" : "\t" + m.bank) << "\n";
            }
        }
    }
    const ImportSummary& s = imported.value();
    out << "typing-errors=" << s.typing_errors << " invalid-accounts=" << s.invalid_accounts
        << " invalid-ids=" << s.invalid_ids << " transactions=" << s.transactions
        << " total=" << s.total << "\n";

    // The review comes first, on stderr; marked rows stop the run unless the operator has looked.
    Result<FileReview> review = session.Review(panel);
    if (!review) {
        err << review.error().message << "\n";
        return 1;
    }
    err << review.value().Text();
    if (!review.value().marks.empty() && !o.allow_marked) {
        err << "הקובץ לא נוצר: בחוברת שורות מסומנות; אחרי שבדקת אותן אפשר ליצור אותו עם "
               "--allow-marked\n";
        return 1;
    }
    if (review.value().AccountChanged() && !o.accept_changes) {
        err << "הקובץ לא נוצר: חשבונם של מוטבים קיימים השתנה; אחרי שבדקת את השינויים אפשר ליצור "
               "אותו עם --accept-changes\n";
        return 1;
    }
    review.value().changes_accepted = o.accept_changes;
    Result<BuildOutcome> built = session.Build(panel, review.value());
    if (!built) {
        err << built.error().message << "\n";
        return 1;
    }
    if (!built.value().history_fault.empty()) {
        err << "היסטוריית התשלומים לא עודכנה: " << built.value().history_fault << "\n";
    }
    if (built.value().log_fate == ServiceLink::LogFate::Queued) {
        err << "השירות אינו זמין: רישום הפעילות נשמר ויישלח כשהשירות יחזור\n";
    } else if (built.value().log_fate == ServiceLink::LogFate::Lost) {
        err << "השירות אינו זמין ורישום הפעילות לא נשמר\n";
    }
    out << std::filesystem::absolute(built.value().masav_file, ec).string() << "\n";
    return 0;
}

}  // namespace zivron::cli
