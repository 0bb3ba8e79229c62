#include "validate/bank_rules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <optional>

#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {
namespace bank_rules {
namespace {

// The digit at 1-based position `pos`: its value for "0".."9", 0 for anything else or past the end.
int D(std::string_view text, std::size_t pos) {
    if (pos == 0 || pos > text.size()) {
        return 0;
    }
    char c = text[pos - 1];
    return (c >= '0' && c <= '9') ? c - '0' : 0;
}

// Sum of weight * digit over positions first.. of the text, one weight a position.
int Weighted(std::string_view text, std::size_t first, std::initializer_list<int> weights) {
    int sum = 0;
    std::size_t pos = first;
    for (int w : weights) {
        sum += w * D(text, pos++);
    }
    return sum;
}

bool InList(std::string_view branch, std::initializer_list<const char*> list) {
    return std::any_of(list.begin(), list.end(), [&](const char* b) { return branch == b; });
}

constexpr std::initializer_list<const char*> kListA = {
    "192", "191", "183", "178", "166", "154", "149", "385", "384", "363", "362",
    "361", "595", "591", "590", "582", "569", "535", "531", "515", "514", "632",
    "628", "627", "620", "618", "613", "611", "609", "608", "601", "600"};
constexpr std::initializer_list<const char*> kListB = {
    "685", "668", "661", "658", "655", "650", "645", "644", "642", "640", "639", "638",
    "634", "795", "783", "773", "739", "736", "727", "726", "723", "716", "713", "700"};
constexpr std::initializer_list<const char*> kListC = {"761", "690", "616", "615", "612"};
constexpr std::initializer_list<const char*> kListD = {"631"};

// 9·b1 + 8·b2 + 7·b3 + 6·a4 + … + 1·a9, the sum of rules 2 and 4.
int BranchAccountSum(std::string_view branch3, std::string_view account9) {
    return Weighted(branch3, 1, {9, 8, 7}) + Weighted(account9, 4, {6, 5, 4, 3, 2, 1});
}

int AccountSum(std::string_view account9) {
    return Weighted(account9, 1, {9, 8, 7, 6, 5, 4, 3, 2, 1});
}

}  // namespace

// The message is formed only when shown: this runs three times for every row checked.
bool FieldMissing(std::string_view value, std::string_view message, const MessageSink& show) {
    if (!value.empty()) {
        return false;
    }
    if (show) {
        show(std::string(message));
    }
    return true;
}

std::string PadZeros(std::string_view text, int width) {
    std::size_t w = width > 0 ? static_cast<std::size_t>(width) : 0;
    if (text.size() >= w) {
        return std::string(text);
    }
    std::string t = Trim(text);
    return std::string(w - t.size(), '0') + t;
}

int DigitSum(int n) {
    if (n <= 10) {
        return n;
    }
    std::string digits = std::to_string(n);
    return (digits[0] - '0') + (digits[1] - '0');
}

namespace {

Outcome Valid() {
    return {true, 0, 11};
}
Outcome Judged(bool valid, int remainder, int modulus) {
    return {valid, remainder, modulus};
}

}  // namespace

Outcome Rule1(std::string_view branch, std::string_view account) {
    std::string b = PadZeros(branch, 3);
    std::string a = PadZeros(account, 9);
    double tail = NumericValue(a.size() > 7 ? std::string_view(a).substr(7, 2) : "");
    double sum = Weighted(b, 1, {10, 9, 8}) + Weighted(a, 2, {7, 6, 5, 4, 3, 2}) + tail;
    if (sum < 100 || sum != std::floor(sum)) {
        return {false, -1, 100};  // below 100 the check never passes
    }
    int r = static_cast<int>(std::fmod(sum, 100));
    return Judged(r == 20 || r == 60 || r == 70 || r == 90, r, 100);
}

Outcome Rule2(std::string_view branch, std::string_view account) {
    std::string b = PadZeros(branch, 3);
    int r = BranchAccountSum(b, PadZeros(account, 9)) % 11;
    switch (r) {
        case 0:
            return Valid();
        case 2:
            return Judged(
                InList(b, kListA) || InList(b, kListB) || InList(b, kListC) || InList(b, kListD), r,
                11);
        case 4:
            return Judged(InList(b, kListC) || InList(b, kListD), r, 11);
        case 6:
            return Judged(InList(b, kListD), r, 11);
        default:
            return Judged(false, r, 11);
    }
}

Outcome Rule3(std::string_view account, int bank) {
    int r = AccountSum(PadZeros(account, 9)) % 11;
    return Judged(r == 0 || (r == 4 && bank == 11), r, 11);
}

Outcome Rule4(std::string_view branch, std::string_view account) {
    std::string b = PadZeros(branch, 3);
    if (NumericValue(branch) > 400) {
        // The subtraction reads the whole branch as a number: anything but digits is not a branch.
        std::string t = Trim(branch);
        if (t.empty() || t.size() > 15 ||
            !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            return {false, -2, 11};
        }
        b = PadZeros(std::to_string(static_cast<long long>(NumericValue(t)) - 400), 3);
    }
    int sum = BranchAccountSum(b, PadZeros(account, 9));
    return Judged(sum % 11 == 0 || (sum % 2 == 0 && (b == "410" || b == "426" || b == "461")),
                  sum % 11, 11);
}

Outcome Rule5(std::string_view account) {
    std::string a = PadZeros(account, 9);
    int r = AccountSum(a) % 11;
    if (r == 0) {
        return Valid();
    }
    return Judged(Weighted(a, 1, {9, 8, 7, 6, 5, 4}) % 11 == 0, r, 11);
}

Outcome Rule6(std::string_view account) {
    int r = AccountSum(PadZeros(account, 9)) % 10;
    return Judged(r == 0, r, 10);
}

Outcome Rule7(std::string_view account) {
    std::string a = PadZeros(account, 9);
    return Judged(D(a, 9) == Weighted(a, 4, {2, 3, 6, 7, 8}) % 10, -3, 10);
}

Outcome Rule8(std::string_view account) {
    std::string a = PadZeros(account, 9);
    return Judged(D(a, 9) == 11 - Weighted(a, 1, {3, 2, 7, 6, 5, 4, 3, 2}) % 11, -3, 11);
}

Outcome Rule9(std::string_view branch, std::string_view account) {
    std::string a = PadZeros(account, 9);
    std::string b = PadZeros(branch, 3);
    static constexpr std::array<int, 9> kAccountWeights = {1, 2, 1, 2, 1, 2, 1, 2, 1};
    static constexpr std::array<int, 3> kBranchWeights = {2, 1, 2};
    int sum = 0;
    for (std::size_t i = 0; i < kAccountWeights.size(); ++i) {
        sum += DigitSum(kAccountWeights[i] * D(a, i + 1));
    }
    for (std::size_t i = 0; i < kBranchWeights.size(); ++i) {
        sum += DigitSum(kBranchWeights[i] * D(b, i + 1));
    }
    return Judged(sum % 10 == 0, sum % 10, 10);
}

std::optional<Outcome> RuleOf(std::string_view bank, std::string_view branch,
                              std::string_view account) {
    if (bank == "04" || bank == "12" || bank == "14" || bank == "28" || bank == "46") {
        return Rule2(branch, account);
    }
    if (bank == "07") {
        return Rule9(branch, account);
    }
    if (bank == "09") {
        return Rule6(account);
    }
    if (bank == "10" || bank == "13" || bank == "34") {
        return Rule1(branch, account);
    }
    if (bank == "11" || bank == "17" || bank == "33") {
        return Rule3(account, bank == "11" ? 11 : bank == "17" ? 17 : 33);
    }
    if (bank == "19") {
        return Rule7(account);
    }
    if (bank == "20") {
        return Rule4(branch, account);
    }
    if (bank == "22") {
        return Rule8(account);
    }
    if (bank == "31" || bank == "52") {
        return Rule5(account);
    }
    return std::nullopt;
}

std::string Explain(std::string_view bank, std::string_view branch, std::string_view account) {
    const std::string code(bank);
    std::optional<Outcome> o = RuleOf(bank, branch, account);
    if (!o) {
        return "בנק " + code + " אינו מוכר";
    }
    if (o->valid) {
        return "";
    }
    switch (o->remainder) {
        case -1:
            return "סכום הבדיקה קטן מ-100";
        case -2:
            return "מספר הסניף אינו מספר";
        case -3:
            return "ספרת ביקורת שגויה";
        default:
            break;
    }
    const std::string r = std::to_string(o->remainder);
    const std::string m = o->modulus == 11 ? "" : " (מודולו " + std::to_string(o->modulus) + ")";
    const bool listed =
        bank == "04" || bank == "12" || bank == "14" || bank == "28" || bank == "46";
    if (listed && (o->remainder == 2 || o->remainder == 4 || o->remainder == 6)) {
        return "שארית " + r + " מותרת לבנק " + code + " רק בסניפים שברשימות";
    }
    return "שארית " + r + m + " אינה מותרת לבנק " + code;
}

}  // namespace bank_rules

bool BankAccountChecker::IsValid(std::string_view bank, std::string_view branch,
                                 std::string_view account) const {
    using namespace bank_rules;
    if (FieldMissing(bank, "קוד בנק שדה חובה", show_) ||
        FieldMissing(branch, "מספר סניף שדה חובה", show_) ||
        FieldMissing(account, "מספר חשבון שדה חובה", show_)) {
        return false;
    }
    std::optional<Outcome> o = RuleOf(bank, branch, account);
    return o && o->valid;
}

}  // namespace zivron
