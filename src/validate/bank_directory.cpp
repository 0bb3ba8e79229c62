#include "validate/bank_directory.h"

#include <algorithm>
#include <atomic>
#include <charconv>

#include "validate/bank_snapshot.h"

namespace zivron::banks {
namespace {

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> out;
    for (std::size_t at = 0;;) {
        const std::size_t tab = line.find('\t', at);
        out.push_back(line.substr(at, tab == std::string_view::npos ? tab : tab - at));
        if (tab == std::string_view::npos) {
            return out;
        }
        at = tab + 1;
    }
}

// The data lines of a file, its header line (the first) left out.
std::vector<std::string_view> DataLines(std::string_view text) {
    std::vector<std::string_view> out;
    bool header = true;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!header && !line.empty()) {
            out.push_back(line);
        }
        header = false;
        at = end + 1;
    }
    return out;
}

bool Digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "2019-12-01": four digits, two, two.
bool IsoShaped(std::string_view d) {
    return d.size() == 10 && d[4] == '-' && d[7] == '-' && Digits(d.substr(0, 4)) &&
           Digits(d.substr(5, 2)) && Digits(d.substr(8, 2));
}

// "2019-12-01" as "01/12/2019"; any other text as it is.
std::string DayOf(std::string_view iso) {
    if (!IsoShaped(iso)) {
        return std::string(iso);
    }
    std::string out;
    out.append(iso.substr(8, 2)).append("/").append(iso.substr(5, 2)).append("/");
    return out.append(iso.substr(0, 4));
}

bool WordCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// When a merge or replacement took effect, as the list's note tells it: the year of the first
// date it gives, or "in 2024". Read by hand: a pattern compiled at every start would cost more
// than the whole list's reading.
std::string YearIn(std::string_view note) {
    for (std::size_t i = 0; i + 10 <= note.size(); ++i) {
        if (IsoShaped(note.substr(i, 10))) {
            return std::string(note.substr(i, 4));
        }
    }
    for (std::size_t i = note.find("in "); i != std::string_view::npos;
         i = note.find("in ", i + 1)) {
        const std::size_t end = i + 7;
        if ((i == 0 || !WordCharacter(note[i - 1])) && end <= note.size() &&
            Digits(note.substr(i + 3, 4)) && (end == note.size() || !WordCharacter(note[end]))) {
            return std::string(note.substr(i + 3, 4));
        }
    }
    return "";
}

std::optional<std::int64_t> Number(std::string_view text) {
    if (text.empty() || text.size() > 12) {
        return std::nullopt;
    }
    std::int64_t n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n < 0) {
        return std::nullopt;
    }
    return n;
}

// The status column: "merged into 20", "replaced by 7", "closed (2019-12-01)"; anything else
// ("active ...", "not listed", a new code) leaves the code in use. False for a successor that
// is no code.
bool ReadStatus(std::string_view status, std::string_view note, Bank& bank) {
    // The text after `prefix` when the status is the prefix and that text alone.
    const auto after = [&status](std::string_view prefix) -> std::optional<std::string_view> {
        if (status.substr(0, prefix.size()) != prefix) {
            return std::nullopt;
        }
        return status.substr(prefix.size());
    };
    const std::optional<std::string_view> merged = after("merged into ");
    const std::optional<std::string_view> replaced = after("replaced by ");
    const std::optional<std::string_view> closed = after("closed (");
    const bool is_merged = merged && Digits(*merged);
    if (is_merged || (replaced && Digits(*replaced))) {
        const std::optional<std::int64_t> code = Number(is_merged ? *merged : *replaced);
        if (!code) {
            return false;
        }
        bank.state = is_merged ? BankState::Merged : BankState::Replaced;
        bank.successor = *code;
        bank.since = YearIn(note);
    } else if (closed && closed->size() == 11 && closed->back() == ')' &&
               IsoShaped(closed->substr(0, 10))) {
        bank.state = BankState::Closed;
        bank.since = DayOf(closed->substr(0, 10));
    }
    return true;
}

Error BadLine(const char* file, std::size_t line, const char* what) {
    return Error{ErrorCode::BadInput, std::string("רשימת הבנקים פגומה: ") + file + " שורה " +
                                          std::to_string(line + 2) + ": " + what};
}

}  // namespace

Result<Directory> Directory::Parse(std::string_view banks_tsv, std::string_view branches_tsv) {
    Directory d;
    const std::vector<std::string_view> bank_lines = DataLines(banks_tsv);
    for (std::size_t i = 0; i < bank_lines.size(); ++i) {
        const std::vector<std::string_view> f = Fields(bank_lines[i]);
        const std::optional<std::int64_t> code = Number(f[0]);
        if (f.size() < 3 || !code) {
            return BadLine("banks.tsv", i, "קוד הבנק אינו מספר");
        }
        Bank bank{*code, std::string(f[1]), BankState::Active, 0, ""};
        if (!ReadStatus(f[2], f.size() > 3 ? f[3] : std::string_view(), bank)) {
            return BadLine("banks.tsv", i, "הבנק שאליו מוזג אינו קוד");
        }
        d.banks_.push_back(std::move(bank));
    }
    const std::vector<std::string_view> branch_lines = DataLines(branches_tsv);
    for (std::size_t i = 0; i < branch_lines.size(); ++i) {
        const std::vector<std::string_view> f = Fields(branch_lines[i]);
        if (f.size() < 8) {
            return BadLine("branches.tsv", i, "חסרים שדות");
        }
        const std::optional<std::int64_t> bank = Number(f[0]);
        const std::optional<std::int64_t> code = Number(f[2]);
        const std::optional<std::int64_t> merged = f[7].empty() ? 0 : Number(f[7]);
        if (!bank || !code || !merged) {
            return BadLine("branches.tsv", i, "קוד שאינו מספר");
        }
        Branch b{*bank,       *code,  std::string(f[3]), std::string(f[4]), std::string(f[5]),
                 DayOf(f[6]), *merged};
        // A branch listed twice keeps its open row.
        auto [at, added] = d.branches_.emplace(std::pair(*bank, *code), b);
        if (!added && !at->second.closed.empty() && b.closed.empty()) {
            at->second = std::move(b);
        }
    }
    std::sort(d.banks_.begin(), d.banks_.end(),
              [](const Bank& a, const Bank& b) { return a.code < b.code; });
    return d;
}

const Bank* Directory::FindBank(std::int64_t code) const {
    auto it = std::lower_bound(banks_.begin(), banks_.end(), code,
                               [](const Bank& b, std::int64_t c) { return b.code < c; });
    return it != banks_.end() && it->code == code ? &*it : nullptr;
}

const Branch* Directory::FindBranch(std::int64_t bank, std::int64_t branch) const {
    auto it = branches_.find({bank, branch});
    return it == branches_.end() ? nullptr : &it->second;
}

std::vector<const Branch*> Directory::BranchesOf(std::int64_t bank) const {
    std::vector<const Branch*> out;
    for (auto it = branches_.lower_bound({bank, 0});
         it != branches_.end() && it->first.first == bank; ++it) {
        out.push_back(&it->second);
    }
    return out;
}

std::optional<std::string> Directory::BankRefusal(std::int64_t bank) const {
    const Bank* b = FindBank(bank);
    if (b == nullptr) {
        return std::nullopt;
    }
    const std::string code = std::to_string(bank);
    const std::string in_year = b->since.empty() ? "" : " בשנת " + b->since;
    const char* update = "; יש לעדכן את פרטי החשבון";
    switch (b->state) {
        case BankState::Merged:
            return "בנק " + code + " מוזג לבנק " + std::to_string(b->successor) + in_year + update;
        case BankState::Replaced:
            return "קוד בנק " + code + " הוחלף בקוד " + std::to_string(b->successor) + in_year +
                   update;
        case BankState::Closed:
            return "בנק " + code + " נסגר" + (b->since.empty() ? "" : " ב-" + b->since) + update;
        case BankState::Active:
            break;
    }
    return std::nullopt;
}

std::optional<std::string> Directory::BranchWarning(std::int64_t bank, std::int64_t branch) const {
    const auto first = branches_.lower_bound({bank, 0});
    if (first == branches_.end() || first->first.first != bank) {
        return std::nullopt;  // a bank the list holds no branch of
    }
    const Branch* b = FindBranch(bank, branch);
    const std::string code = std::to_string(branch);
    if (b == nullptr) {
        return "סניף " + code + " אינו ברשימת בנק ישראל";
    }
    if (b->closed.empty()) {
        return std::nullopt;
    }
    std::string why = "סניף " + code + " נסגר ב-" + b->closed;
    if (b->merged_into != 0) {
        why += "; מוזג לסניף " + std::to_string(b->merged_into);
    }
    return why;
}

std::string Directory::Describe(std::int64_t bank, std::int64_t branch) const {
    const Bank* b = FindBank(bank);
    std::string out = b != nullptr && !b->name.empty() ? b->name : "בנק " + std::to_string(bank);
    out += " / סניף " + std::to_string(branch);
    if (const Branch* br = FindBranch(bank, branch); br != nullptr && !br->name.empty()) {
        out += " - " + br->name;
        if (!br->city.empty() && br->city != br->name) {
            out += " (" + br->city + ")";
        }
    }
    return out;
}

const Directory& Shipped() {
    static const Directory shipped = [] {
        Result<Directory> d = Directory::Parse(kShippedBanks, kShippedBranches);
        return d ? std::move(d.value()) : Directory();
    }();
    return shipped;
}

namespace {
std::shared_ptr<const Directory>& Slot() {
    static std::shared_ptr<const Directory> current;
    return current;
}
}  // namespace

std::shared_ptr<const Directory> Current() {
    std::shared_ptr<const Directory> d = std::atomic_load(&Slot());
    if (d == nullptr) {
        return std::shared_ptr<const Directory>(&Shipped(), [](const Directory*) {});
    }
    return d;
}

void UseDirectory(std::shared_ptr<const Directory> directory) {
    std::atomic_store(&Slot(), std::move(directory));
}

std::optional<std::int64_t> CodeOf(std::string_view text) {
    return Number(text);
}

}  // namespace zivron::banks
