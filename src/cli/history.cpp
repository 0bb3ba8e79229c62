#include "cli/history.h"

#include <optional>

#include "history/history_import.h"
#include "history/payee_history.h"
#include "text/shaping.h"

namespace zivron::cli {
namespace {

int Import(const std::vector<std::string>& a, PayeeHistory& history, std::ostream& out,
           std::ostream& err) {
    if (a.empty()) {
        return 2;
    }
    std::optional<SummarySource> source = SourceOfSummaryPath(a[0]);
    for (std::size_t i = 1; i < a.size(); ++i) {
        if (a[i] == "--institution" && i + 1 < a.size()) {
            source = SummarySource{a[++i], source ? source->variant : masav::Variant::Credit};
        } else if ((a[i] == "--credit" || a[i] == "--collection") && source) {
            source->variant =
                a[i] == "--credit" ? masav::Variant::Credit : masav::Variant::Collection;
        } else {
            return 2;
        }
    }
    if (!source) {
        err << "לא ניתן לדעת מהשם " << a[0]
            << " של איזה מוסד הקובץ; יש לציין --institution ו---credit או --collection\n";
        return 1;
    }
    sheet::SpreadsheetApp app({});
    Result<std::vector<std::vector<PastPayment>>> runs = ReadSummaryRuns(app, a[0], *source);
    if (!runs) {
        err << runs.error().message << "\n";
        return 1;
    }
    std::size_t rows = 0;
    for (const std::vector<PastPayment>& run : runs.value()) {
        if (Status s = history.Record(run); !s) {
            err << s.error().message << "\n";
            return 1;
        }
        rows += run.size();
    }
    out << "runs=" << runs.value().size() << " rows=" << rows << "\n";
    return 0;
}

int Show(const std::vector<std::string>& a, PayeeHistory& history, std::ostream& out,
         std::ostream& err) {
    if (a.size() != 1) {
        return 2;
    }
    Result<std::vector<PastPayment>> payments = history.PaymentsTo(a[0]);
    if (!payments) {
        err << payments.error().message << "\n";
        return 1;
    }
    for (const PastPayment& p : payments.value()) {
        out << masav::DateText(p.value_date) << "\t" << p.institution << "\t"
            << (p.variant == masav::Variant::Credit ? "זיכוי" : "חיוב") << "\t" << p.name << "\t"
            << p.bank << "-" << p.branch << "-" << p.account << "\t" << AgorotText(p.agorot)
            << "\n";
    }
    return 0;
}

int Erase(const std::vector<std::string>& a, PayeeHistory& history, std::ostream& err) {
    std::optional<std::string> institution;
    if (a.size() == 2 && a[0] == "--institution") {
        institution = a[1];
    } else if (!a.empty()) {
        return 2;
    }
    if (Status s = history.Erase(institution); !s) {
        err << s.error().message << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int History(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty() || (args[0] != "import" && args[0] != "show" && args[0] != "erase")) {
        return 2;
    }
    Result<PayeeHistory> history = PayeeHistory::Open(PayeeHistory::DefaultPath());
    if (!history) {
        err << history.error().message << "\n";
        return 1;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "import") {
        return Import(rest, history.value(), out, err);
    }
    if (args[0] == "show") {
        return Show(rest, history.value(), out, err);
    }
    return Erase(rest, history.value(), err);
}

}  // namespace zivron::cli
