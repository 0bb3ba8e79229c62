#pragma once
// The check digits of Israeli bank accounts, by the rule of each bank.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zivron {

// Where a check shows the operator a message (an OK button, no title of its own).
using MessageSink = std::function<void(const std::string& text)>;

namespace bank_rules {

// Shows `message` and returns true when `value` is the empty text; a text of spaces is not empty.
bool FieldMissing(std::string_view value, std::string_view message, const MessageSink& show);

// Zero-filled on the left to `width` after trimming; a text of `width` or more is returned as it
// is.
std::string PadZeros(std::string_view text, int width);

// n itself up to 10; above it the sum of its first two decimal digits.
int DigitSum(int n);

// What a rule found: its verdict and the remainder it judged by (modulus 11, 10 or 100).
struct Outcome {
    bool valid = false;
    int remainder = 0;  // -1: a sum below 100; -2: a branch that is no number; -3: a check digit
    int modulus = 11;
};
Outcome Rule1(std::string_view branch, std::string_view account);
Outcome Rule2(std::string_view branch, std::string_view account);
Outcome Rule3(std::string_view account, int bank);
Outcome Rule4(std::string_view branch, std::string_view account);
Outcome Rule5(std::string_view account);
Outcome Rule6(std::string_view account);
Outcome Rule7(std::string_view account);
Outcome Rule8(std::string_view account);
Outcome Rule9(std::string_view branch, std::string_view account);

// The rule of the bank, by its two-character code; nothing for a bank without a rule.
std::optional<Outcome> RuleOf(std::string_view bank, std::string_view branch,
                              std::string_view account);

// Why the rule of the bank finds the account invalid, in short Hebrew ("שארית 5 אינה מותרת לבנק
// 12", "בנק 07 אינו מוכר"); empty when it is valid.
std::string Explain(std::string_view bank, std::string_view branch, std::string_view account);

}  // namespace bank_rules

class BankAccountChecker {
  public:
    explicit BankAccountChecker(MessageSink show = {}) : show_(std::move(show)) {}

    // True when the account is valid for the bank; false when it is not, a field is missing
    // (its message is shown) or the bank has no rule.
    bool IsValid(std::string_view bank, std::string_view branch, std::string_view account) const;

  private:
    MessageSink show_;
};

}  // namespace zivron
