#pragma once
// The current Masav account rules (the 2022-2025 revisions as the public validators implement
// them), an opt-in set beside the older rules of BankAccountChecker. One free function a rule; each
// answers whether the account is valid and, when it is not, why, in short Hebrew.
//
// Inputs are texts as the import holds them; the rules zero-fill the branch to 3 and the account
// to 9 digits themselves. An account of more than 9 digits, or one with anything but digits, is
// invalid.

#include <string>
#include <string_view>

namespace zivron::current {

struct Verdict {
    bool valid = false;
    std::string reason;          // empty when valid
    bool single_source = false;  // the rule rests on one public source (low confidence)
};

// The digits of a checked account and branch.
struct Digits {
    int a[10] = {};  // a[1]..a[9], zero-filled on the left
    int b[4] = {};   // b[1]..b[3]
    int branch = 0;  // the branch as a number
};

Verdict Leumi(const Digits& d, int bank);               // 10, 34
Verdict Igud(const Digits& d);                          // 13
Verdict Hapoalim(const Digits& d);                      // 12
Verdict Yahav(const Digits& d);                         // 04
Verdict Mizrahi(const Digits& d);                       // 20
Verdict Discount(const Digits& d, int bank);            // 11, 17
Verdict FirstInternational(const Digits& d, int bank);  // 31, 52
Verdict Otsar(const Digits& d);                         // 14
Verdict Massad(const Digits& d);                        // 46
Verdict Postal(const Digits& d);                        // 09
Verdict Citibank(const Digits& d);                      // 22
Verdict Hsbc(const Digits& d);                          // 23
Verdict NoCheckDigit(const Digits& d, int bank);        // 54, 39
Verdict Modulo97(const Digits& d, int bank);            // 18, 15, 69, 79
Verdict Grow(const Digits& d);                          // 35
Verdict NimaShefa(const Digits& d);                     // 21
Verdict EshIsrael(const Digits& d);                     // 03
Verdict GlobalRemit(const Digits& d);                   // 47
Verdict Rewire(const Digits& d);                        // 58
Verdict Isracard(const Digits& d);                      // 01

// The bank's rule over the texts: zero-filled, the length and digits checked (G1), dispatched by
// the two-character bank code. A bank without a current rule is invalid, as the older rules judge
// an unknown bank.
Verdict Check(std::string_view bank, std::string_view branch, std::string_view account);

}  // namespace zivron::current
