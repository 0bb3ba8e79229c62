#include "history/payee_guard.h"

#include <algorithm>
#include <unordered_map>

#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {
namespace {

constexpr int kFirstDataRow = 2;
constexpr int kRunsCompared = 6;  // the payee's usual amount is the median of these
constexpr int kRunsNeeded = 3;
constexpr double kFarFromUsual = 3;

std::string Row(int sheet_row, const masav::Row& row) {
    return "שורה " + std::to_string(sheet_row) + " (" + row.name + "): ";
}

// An account key ("12-600-000100006") as an operator writes it: "12-600-100006".
std::string ShownAccount(const std::string& key) {
    std::string out;
    std::size_t at = 0;
    while (at <= key.size()) {
        const std::size_t end = std::min(key.find('-', at), key.size());
        const std::string part = key.substr(at, end - at);
        const std::size_t first = part.find_first_not_of('0');
        out += (out.empty() ? "" : "-") + (first == std::string::npos ? "0" : part.substr(first));
        at = end + 1;
    }
    return out;
}

long long Median(std::vector<long long> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

Result<GuardReport> GuardPayees(PayeeHistory& history, const std::string& institution,
                                masav::Variant variant, const std::vector<masav::Row>& rows,
                                bool warn_new_payees) {
    GuardReport report;
    // The payees' histories are read in the order the file keeps them, so each page is read
    // once, however the table is ordered.
    std::vector<std::string> ids;
    ids.reserve(rows.size());
    for (const masav::Row& row : rows) {
        ids.push_back(IdentityKey(row.id));
    }
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    std::unordered_map<std::string, std::vector<PastPayment>> recent;
    recent.reserve(ids.size());
    const PayeeHistory::Reading reading(history);
    for (const std::string& id : ids) {
        Result<std::vector<PastPayment>> past =
            history.Recent(institution, variant, id, kRunsCompared);
        if (!past) {
            return past.error();
        }
        recent.emplace(id, std::move(past).value());
    }
    std::unordered_map<std::string, int> row_of_identity;
    std::unordered_map<std::string, std::pair<int, std::string>> owner_of_account;
    for (std::size_t n = 0; n < rows.size(); ++n) {
        const masav::Row& row = rows[n];
        const int sheet_row = static_cast<int>(n) + kFirstDataRow;
        const std::string id = IdentityKey(row.id);
        const std::string account = AccountKey(row);
        const std::string shown = ShownAccount(account);
        auto add = [&](PayeeFinding::Kind kind, const std::string& what) {
            report.findings.push_back({kind, sheet_row, Row(sheet_row, row) + what});
        };
        const auto [seen, first_time] = row_of_identity.try_emplace(id, sheet_row);
        if (!first_time) {
            add(PayeeFinding::Kind::PaidTwice,
                "מספר הזהות " + id + " מופיע גם בשורה " + std::to_string(seen->second));
        }
        if (auto [at, first] = owner_of_account.try_emplace(account, sheet_row, id);
            !first && at->second.second != id) {
            add(PayeeFinding::Kind::SharedAccount, "החשבון " + shown + " רשום גם למספר הזהות " +
                                                       at->second.second + " בשורה " +
                                                       std::to_string(at->second.first));
        }
        const std::vector<PastPayment>& runs = recent[id];
        if (runs.empty()) {
            report.new_payees += first_time ? 1 : 0;
            if (warn_new_payees && first_time) {
                add(PayeeFinding::Kind::NewPayee, "מוטב חדש");
            }
            continue;
        }
        // The accounts of the payee's last file: one payee may be paid twice in one file.
        std::vector<std::string> last_accounts;
        for (const PastPayment& p : runs) {
            if (p.run != runs.front().run) {
                break;
            }
            const std::string was = p.bank + "-" + p.branch + "-" + p.account;
            if (std::find(last_accounts.begin(), last_accounts.end(), was) == last_accounts.end()) {
                last_accounts.push_back(was);
            }
        }
        if (std::find(last_accounts.begin(), last_accounts.end(), account) == last_accounts.end()) {
            std::string before;
            for (const std::string& was : last_accounts) {
                before += (before.empty() ? "" : " או ") + ShownAccount(was);
            }
            add(PayeeFinding::Kind::AccountChanged, "חשבון חדש למוטב קיים: היה " + before + " (" +
                                                        masav::DateText(runs.front().value_date) +
                                                        ")");
        }
        if (static_cast<int>(runs.size()) >= kRunsNeeded) {
            std::vector<long long> amounts;
            for (const PastPayment& p : runs) {
                amounts.push_back(p.agorot);
            }
            const long long usual = Median(amounts);
            const std::optional<double> amount = RegionalNumber(row.amount);
            const std::optional<long long> agorot = amount ? AgorotOf(*amount) : std::nullopt;
            if (agorot && usual > 0 &&
                (*agorot > kFarFromUsual * usual || *agorot * kFarFromUsual < usual)) {
                add(PayeeFinding::Kind::UnusualAmount,
                    "סכום " + AgorotText(*agorot) + " רחוק מהרגיל למוטב (חציון " +
                        AgorotText(usual) + " ב-" + std::to_string(runs.size()) +
                        " התשלומים האחרונים)");
            }
        }
    }
    return report;
}

}  // namespace zivron
