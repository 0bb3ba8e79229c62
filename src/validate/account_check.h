#pragma once
// The import's account and identity checks with their reasons: the older Masav rules
// (BankAccountChecker, the default) or the current ones, chosen per run.

#include <string>
#include <string_view>

#include "validate/bank_directory.h"
#include "validate/bank_rules.h"

namespace zivron {

enum class RuleSet { Original, Current };

// "כללי מס"ב הישנים" or "כללים עדכניים", as a reason names its set.
std::string RuleSetName(RuleSet set);

struct CheckResult {
    bool valid = false;
    std::string reason;  // empty when valid; names the rule set
};

// An account as the workbook holds it (UTF-8 texts). The older rules see the texts zero-filled
// to 2, 3 and 9 characters as before; their messages (a missing field) go to `show`. The bank
// lists are the ones in use unless a caller checking many rows holds them for all.
CheckResult CheckAccountOf(RuleSet set, std::string_view bank, std::string_view branch,
                           std::string_view account, const MessageSink& show = {},
                           const banks::Directory& lists = *banks::Current());

// Why a valid account's branch deserves a second look (not in the Bank of Israel's list, or
// closed), or "": a warning, never a refusal.
std::string BranchWarningOf(std::string_view bank, std::string_view branch,
                            const banks::Directory& lists = *banks::Current());

// "בנק הפועלים בע"מ / סניף 600 - נתניה" as far as the list names them; "" when the codes are
// not numbers.
std::string BankAndBranchOf(std::string_view bank, std::string_view branch,
                            const banks::Directory& lists = *banks::Current());

// An identity number: the check digit, as IsValidIdentityNumber judges it.
CheckResult CheckIdentity(std::string_view id);

}  // namespace zivron
