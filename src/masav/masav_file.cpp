#include "masav/masav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <span>
#include <vector>

#include "masav/record_layout.h"
#include "text/hebrew.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron::masav {

std::string Yymmdd(const ValueDate& d) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", d.year % 100, d.month, d.day);
    return buf;
}

std::string DateText(const ValueDate& d) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02d/%02d/%d", d.day, d.month, d.year);
    return buf;
}

namespace {

std::string NameBytes(std::string_view utf8, Variant variant) {
    std::string bytes = ToWindows1255(utf8);
    return variant == Variant::Credit ? PrepareCreditName(bytes) : PrepareCollectionName(bytes);
}

// Everything a record may draw on; the slot tables pick from it.
struct Values {
    std::string institution_code;
    std::string payment_date;
    std::string software_code;
    std::string institution_name;
    std::string header_mark;
    std::string transaction_code;
    // per detail record
    std::string bank, branch, account, identity, row_name, shekels, agorot, reference;
    // trailer
    std::string total_shekels, total_agorot, count;

    const std::string& Of(Source s) const {
        switch (s) {
            case Source::InstitutionCode:
                return institution_code;
            case Source::PaymentDate:
                return payment_date;
            case Source::SoftwareCode:
                return software_code;
            case Source::InstitutionName:
                return institution_name;
            case Source::HeaderMark:
                return header_mark;
            case Source::Bank:
                return bank;
            case Source::Branch:
                return branch;
            case Source::Account:
                return account;
            case Source::Identity:
                return identity;
            case Source::RowName:
                return row_name;
            case Source::Shekels:
                return shekels;
            case Source::Agorot:
                return agorot;
            case Source::Reference:
                return reference;
            case Source::TransactionCode:
                return transaction_code;
            case Source::TotalShekels:
                return total_shekels;
            case Source::TotalAgorot:
                return total_agorot;
            case Source::Count:
                return count;
            case Source::Fixed:
                break;
        }
        static const std::string kNone;
        return kNone;
    }
};

void AppendRecord(std::string& out, std::span<const Slot> slots, const Values& v,
                  std::string_view terminator) {
    // Spaces first, then each value over its slot: a value shorter than its width ends in spaces,
    // a longer one is cut, as Place does it; the slots tile the record.
    const std::size_t start = out.size();
    out.append(kRecordWidth, ' ');
    for (const Slot& slot : slots) {
        const std::string_view value =
            slot.source == Source::Fixed ? slot.fixed : std::string_view(v.Of(slot.source));
        const auto width = static_cast<std::size_t>(slot.width);
        value.copy(out.data() + start + static_cast<std::size_t>(slot.position - 1),
                   std::min(value.size(), width));
    }
    // A line break or another control character in a name would split the record.
    for (char& ch : std::span(out).subspan(start)) {
        const auto c = static_cast<unsigned char>(ch);
        ch = c < 0x20 || c == 0x7F ? ' ' : ch;  // no branch: the compiler does it many at a time
    }
    out += terminator;
}

// The number fields of one row, fitted, or the operator's message naming the row and the field.
struct FittedRow {
    FittedDigits bank, branch, account, identity;
};

Result<FittedRow> FitRow(const Row& row, std::size_t index) {
    struct Field {
        const std::string& text;
        int width;
        const char* name;
        FittedDigits FittedRow::*out;
    };
    const Field fields[] = {{row.bank, 2, "קוד הבנק", &FittedRow::bank},
                            {row.branch, 3, "מספר הסניף", &FittedRow::branch},
                            {row.account, 9, "מספר החשבון", &FittedRow::account},
                            {row.id, 9, "מספר הזהות", &FittedRow::identity}};
    FittedRow fitted;
    for (const Field& f : fields) {
        std::optional<FittedDigits> v = FitField(f.text, f.width);
        if (!v) {
            return BadInput("בתנועה " + std::to_string(index + 1) + " (שורה " +
                            std::to_string(index + 2) + " בגיליון) " + f.name + " (" + f.text +
                            ") " + WhyNotFit(f.text, f.width) +
                            "; יש לתקן את החוברת ולקלוט אותה מחדש");
        }
        fitted.*f.out = *v;
    }
    return fitted;
}

// The field formed in `out`, whose room is kept from row to row.
void AssignField(std::string& out, const FittedDigits& f) {
    out.assign(f.zeros, '0');
    out += f.digits;
}

}  // namespace

std::optional<FittedDigits> FitField(std::string_view text, int width) {
    std::string_view t = TrimmedView(text);
    if (t == "x") {
        t = {};  // the program's marker of a missing value
    }
    if (!std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const std::size_t w = static_cast<std::size_t>(width);
    while (t.size() > w && t.front() == '0') {
        t.remove_prefix(1);
    }
    if (t.size() > w) {
        return std::nullopt;
    }
    return FittedDigits{t, w - t.size()};
}

std::optional<std::string> FitDigits(std::string_view text, int width) {
    const std::optional<FittedDigits> f = FitField(text, width);
    if (!f) {
        return std::nullopt;
    }
    std::string out;
    AssignField(out, *f);
    return out;
}

bool FitsAs(std::string_view text, int width, std::string_view field) {
    const std::optional<FittedDigits> f = FitField(text, width);
    return f && field.size() == f->zeros + f->digits.size() &&
           field.find_first_not_of('0') >= f->zeros && field.substr(f->zeros) == f->digits;
}

std::string WhyNotFit(std::string_view text, int width) {
    std::string t = Trim(text);
    if (!std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return "אינו מספר";
    }
    return "ארוך מ-" + std::to_string(width) + " ספרות";
}

std::string PrepareCreditName(std::string_view name) {
    std::string t = Trim(name);
    std::erase_if(t, [](char c) { return c == '\'' || c == '.'; });
    if (t.size() > 16) {
        t.resize(16);
    }
    return t;
}

std::string PrepareCollectionName(std::string_view name) {
    return std::string(name);
}

Result<std::string> BuildFile(const FileInput& in) {
    const ValueDate& d = in.date;
    if (!IsCalendarDate(std::to_string(d.day), std::to_string(d.month), std::to_string(d.year)) ||
        d.year < 1000) {
        return BadInput("תאריך הערך אינו תאריך תקין");
    }
    const bool credit = in.variant == Variant::Credit;
    const std::string_view record_end = credit ? "\r\n" : "\n";

    // Amounts are read before anything is formed, so a bad row refuses the whole file.
    // Each amount rounded once; its shekels and agorot are cut from that text.
    std::vector<std::pair<std::string, std::string>> amounts;
    amounts.reserve(in.rows.size());
    double total = 0;
    long long total_agorot = 0;
    for (std::size_t i = 0; i < in.rows.size(); ++i) {
        std::optional<double> a = RegionalNumber(in.rows[i].amount);
        if (!a) {
            return BadInput("הסכום בתנועה " + std::to_string(i + 1) + " אינו מספר: \"" +
                            in.rows[i].amount + "\"");
        }
        // A minus sign has no place in a Masav amount field: it would corrupt the record.
        if (*a < 0) {
            return BadInput("הסכום בתנועה " + std::to_string(i + 1) + " שלילי: \"" +
                            in.rows[i].amount + "\"");
        }
        const std::string rounded = RoundedAmountText(*a);
        const std::size_t point = rounded.find('.');
        std::string whole = rounded.substr(0, point);
        if (whole.size() > 11) {
            return BadInput("הסכום בתנועה " + std::to_string(i + 1) + " גדול מדי לשדה: \"" +
                            in.rows[i].amount + "\"");
        }
        std::string cents = rounded.substr(point + 1);
        total += *a;
        total_agorot += std::stoll(whole) * 100 + std::stoll(cents);
        amounts.emplace_back(std::move(whole), std::move(cents));
    }
    // The trailer carries the sum of the amounts as the details carry them, to the agora, so the
    // file's control total always agrees with its records.
    if (!std::isfinite(total) || std::to_string(total_agorot / 100).size() > 13) {
        return BadInput("סכום התנועות גדול מדי");
    }
    std::vector<FittedRow> fitted;
    fitted.reserve(in.rows.size());
    for (std::size_t i = 0; i < in.rows.size(); ++i) {
        Result<FittedRow> f = FitRow(in.rows[i], i);
        if (!f) {
            return f.error();
        }
        fitted.push_back(std::move(f).value());
    }
    std::optional<std::string> code = FitDigits(in.institution.code, 8);
    std::optional<std::string> software = FitDigits(in.institution.software_code, 5);
    if (!code) {
        return BadInput("קוד המוסד (" + in.institution.code + ") " +
                        WhyNotFit(in.institution.code, 8));
    }
    if (!software) {
        return BadInput("קוד התוכנה (" + in.institution.software_code + ") " +
                        WhyNotFit(in.institution.software_code, 5));
    }

    Values v;
    v.institution_code = *code;
    v.payment_date = Yymmdd(d);
    v.software_code = *software;
    // The header name is the institution name whole; only row names are prepared.
    v.institution_name = RightAlign(ToOldCodeReversed(ToWindows1255(in.institution.name)), 30);
    v.header_mark = credit ? "KOT" : "kot";
    v.transaction_code = credit ? "006" : "504";

    std::string out;
    out.reserve((in.rows.size() + 3) * (kRecordWidth + 2));
    AppendRecord(out, HeaderSlots(), v, record_end);

    std::string joined;
    for (std::size_t i = 0; i < in.rows.size(); ++i) {
        const Row& row = in.rows[i];
        const FittedRow& f = fitted[i];
        AssignField(v.bank, f.bank);
        AssignField(v.branch, f.branch);
        AssignField(v.account, f.account);
        AssignField(v.identity, f.identity);
        v.row_name = RightAlign(ToOldCodeReversed(NameBytes(row.name, in.variant)), 16);
        v.shekels = PadLeftWithZeros(amounts[i].first, 11);
        v.agorot = PadRightWithZeros(amounts[i].second, 2);
        // The texts joined as they stand; where extra leading zeros make them longer than the
        // field, the fields as written.
        joined.assign(row.bank).append(row.branch).append(row.account);
        std::string reference = ToWindows1255(joined);
        if (reference.size() > 20) {
            reference.assign(v.bank).append(v.branch).append(v.account);
        }
        v.reference = PadLeftWithZeros(reference, 20);
        AppendRecord(out, DetailSlots(), v, record_end);
    }

    v.total_shekels = PadLeftWithZeros(std::to_string(total_agorot / 100), 13);
    v.total_agorot = PadLeftWithZeros(std::to_string(total_agorot % 100), 2);
    v.count = PadLeftWithZeros(std::to_string(in.rows.size()), 7);
    AppendRecord(out, credit ? CreditTrailerSlots() : CollectionTrailerSlots(), v, record_end);

    out.append(kRecordWidth, '9');
    out += "\r\n";
    return out;
}

}  // namespace zivron::masav
