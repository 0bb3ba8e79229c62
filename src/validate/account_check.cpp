#include "validate/account_check.h"

#include <algorithm>

#include "text/hebrew.h"
#include "text/shaping.h"
#include "validate/bank_directory.h"
#include "validate/current_rules.h"
#include "validate/identity.h"

namespace zivron {
namespace {

// The Masav record gives the bank two characters.
constexpr std::int64_t kLargestBankCode = 99;

}  // namespace

std::string RuleSetName(RuleSet set) {
    return set == RuleSet::Current ? "כללים עדכניים" : "כללי מס\"ב הישנים";
}

CheckResult CheckAccountOf(RuleSet set, std::string_view bank, std::string_view branch,
                           std::string_view account, const MessageSink& show,
                           const banks::Directory& lists) {
    // Whatever its check digits: a code of more digits than the record's two is never cut to
    // fit, and a code whose bank is gone takes no payment.
    if (const std::optional<std::int64_t> code = banks::CodeOf(bank)) {
        if (*code > kLargestBankCode) {
            return {false, "קוד הבנק " + std::to_string(*code) +
                               " ארוך משתי ספרות, ורשומת מס\"ב אינה יכולה לשאת אותו"};
        }
        if (std::optional<std::string> refusal = lists.BankRefusal(*code)) {
            return {false, *refusal};
        }
    }
    const std::string b = PadLeftWithZeros(ToWindows1255(bank), 2);
    if (set == RuleSet::Current) {
        current::Verdict v = current::Check(b, ToWindows1255(branch), ToWindows1255(account));
        if (v.valid) {
            return {true, ""};
        }
        return {false, v.reason + " (" + RuleSetName(set) + ")" +
                           (v.single_source ? " – כלל ממקור יחיד" : "")};
    }
    const std::string br = PadLeftWithZeros(ToWindows1255(branch), 3);
    const std::string ac = PadLeftWithZeros(ToWindows1255(account), 9);
    if (BankAccountChecker(show).IsValid(b, br, ac)) {
        return {true, ""};
    }
    std::string why = bank_rules::Explain(b, br, ac);
    return {false, (why.empty() ? std::string("שדה חסר") : why) + " (" + RuleSetName(set) + ")"};
}

std::string BranchWarningOf(std::string_view bank, std::string_view branch,
                            const banks::Directory& lists) {
    const std::optional<std::int64_t> b = banks::CodeOf(bank);
    const std::optional<std::int64_t> br = banks::CodeOf(branch);
    if (!b || !br) {
        return "";
    }
    return lists.BranchWarning(*b, *br).value_or("");
}

std::string BankAndBranchOf(std::string_view bank, std::string_view branch,
                            const banks::Directory& lists) {
    const std::optional<std::int64_t> b = banks::CodeOf(bank);
    const std::optional<std::int64_t> br = banks::CodeOf(branch);
    return b && br ? lists.Describe(*b, *br) : "";
}

CheckResult CheckIdentity(std::string_view id) {
    if (IsValidIdentityNumber(id)) {
        return {true, ""};
    }
    if (id.empty() || id == "x") {
        return {false, "חסר מספר זהות"};
    }
    if (!std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return {false, "אינו מספר"};
    }
    return {false, "ספרת ביקורת שגויה"};
}

}  // namespace zivron
