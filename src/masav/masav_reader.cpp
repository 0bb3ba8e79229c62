#include "masav/masav_reader.h"

#include "validate/account_check.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "masav/record_layout.h"
#include "text/hebrew.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron::masav {
namespace {

const char* FieldName(Source s) {
    switch (s) {
        case Source::InstitutionCode:
            return "קוד מוסד";
        case Source::PaymentDate:
            return "תאריך ערך";
        case Source::SoftwareCode:
            return "קוד תוכנה";
        case Source::InstitutionName:
            return "שם המוסד";
        case Source::HeaderMark:
            return "סימן הכותרת";
        case Source::Bank:
            return "בנק";
        case Source::Branch:
            return "סניף";
        case Source::Account:
            return "חשבון";
        case Source::Identity:
            return "זהות";
        case Source::RowName:
            return "שם";
        case Source::Shekels:
            return "שקלים";
        case Source::Agorot:
            return "אגורות";
        case Source::Reference:
            return "אסמכתא";
        case Source::TransactionCode:
            return "קוד תנועה";
        case Source::TotalShekels:
            return "סך השקלים";
        case Source::TotalAgorot:
            return "סך האגורות";
        case Source::Count:
            return "מספר התנועות";
        case Source::Fixed:
            break;
    }
    return "שדה קבוע";
}

bool Digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

Error Fault(std::size_t record, const std::string& what) {
    return Error{ErrorCode::BadInput, "רשומה " + std::to_string(record) + ": " + what};
}

// The values of one record by what they are; views into the file's bytes.
struct Fields {
    std::array<std::string_view, static_cast<std::size_t>(Source::Count) + 1> by_source{};
    std::string_view operator[](Source s) const { return by_source[static_cast<std::size_t>(s)]; }
};

bool IsText(Source s) {
    return s == Source::InstitutionName || s == Source::RowName || s == Source::HeaderMark;
}

// What each byte of a record of one layout must be: anything (in a text), a digit, or the byte
// the fixed text has there. A record is checked against it in one pass; one that fails is read
// slot by slot for the message.
struct Pattern {
    // 0xFF where the rule holds: masks rather than branches, so the check runs many bytes at once.
    std::array<unsigned char, kRecordWidth> digit{};
    std::array<unsigned char, kRecordWidth> exact{};
    std::array<unsigned char, kRecordWidth> fixed{};
};

Pattern PatternOf(std::span<const Slot> slots) {
    Pattern p;
    for (const Slot& slot : slots) {
        for (int i = 0; i < slot.width; ++i) {
            const auto at = static_cast<std::size_t>(slot.position - 1 + i);
            if (slot.source == Source::Fixed) {
                p.exact[at] = 0xFF;
                p.fixed[at] =
                    static_cast<unsigned char>(static_cast<std::size_t>(i) < slot.fixed.size()
                                                   ? slot.fixed[static_cast<std::size_t>(i)]
                                                   : ' ');
            } else if (!IsText(slot.source)) {
                p.digit[at] = 0xFF;
            }
        }
    }
    return p;
}

const Pattern* PatternFor(std::span<const Slot> slots) {
    static const Pattern kHeader = PatternOf(HeaderSlots());
    static const Pattern kDetail = PatternOf(DetailSlots());
    static const Pattern kCreditTrailer = PatternOf(CreditTrailerSlots());
    static const Pattern kCollectionTrailer = PatternOf(CollectionTrailerSlots());
    return slots.data() == DetailSlots().data()              ? &kDetail
           : slots.data() == HeaderSlots().data()            ? &kHeader
           : slots.data() == CreditTrailerSlots().data()     ? &kCreditTrailer
           : slots.data() == CollectionTrailerSlots().data() ? &kCollectionTrailer
                                                             : nullptr;
}

bool Matches(std::string_view record, const Pattern& p) {
    if (record.size() < kRecordWidth) {
        return false;
    }
    unsigned char bad = 0;
    for (std::size_t i = 0; i < kRecordWidth; ++i) {
        const auto c = static_cast<unsigned char>(record[i]);
        const unsigned char not_digit = static_cast<unsigned char>(c - '0') > 9 ? 0xFF : 0;
        bad |=
            static_cast<unsigned char>((p.digit[i] & not_digit) | (p.exact[i] & (c ^ p.fixed[i])));
    }
    return bad == 0;
}

// The slots of one record: fixed texts must stand as the layout has them, number fields must be
// digits; the values are put in `out` by what they are (one table for every record of a file).
Status ReadSlots(std::string_view record, std::span<const Slot> slots, std::size_t number,
                 Fields& out) {
    if (const Pattern* pattern = PatternFor(slots); pattern && Matches(record, *pattern)) {
        for (const Slot& slot : slots) {
            if (slot.source != Source::Fixed) {
                out.by_source[static_cast<std::size_t>(slot.source)] =
                    record.substr(static_cast<std::size_t>(slot.position - 1),
                                  static_cast<std::size_t>(slot.width));
            }
        }
        return Ok();
    }
    for (const Slot& slot : slots) {
        std::string_view value = record.substr(static_cast<std::size_t>(slot.position - 1),
                                               static_cast<std::size_t>(slot.width));
        if (slot.source == Source::Fixed) {
            // The fixed text, then spaces to the width.
            const std::string_view head = value.substr(0, slot.fixed.size());
            const bool as_laid =
                head == slot.fixed &&
                value.find_first_not_of(' ', slot.fixed.size()) == std::string_view::npos;
            if (!as_laid) {
                std::string expected;
                Place(expected, slot.fixed, slot.width);
                return Fault(number, "שדה קבוע במקום " + std::to_string(slot.position) +
                                         " אינו \"" + expected + "\"");
            }
            continue;
        }
        if (!IsText(slot.source) && !Digits(value)) {
            return Fault(number, "השדה " + std::string(FieldName(slot.source)) + " אינו ספרות: \"" +
                                     FromWindows1255(value) + "\"");
        }
        out.by_source[static_cast<std::size_t>(slot.source)] = value;
    }
    return Ok();
}

long long Number(std::string_view digits) {
    long long n = 0;
    for (char c : digits) {
        n = n * 10 + (c - '0');
    }
    return n;
}

}  // namespace

std::string DecodeOldName(std::string_view field) {
    // Trimmed first: the old code has no byte for a space but the space.
    const std::string_view t = TrimmedView(field);
    std::string bytes(t.size(), ' ');
    std::transform(t.rbegin(), t.rend(), bytes.begin(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b >= 128 && b <= 154 ? static_cast<char>(b + 96) : c;
    });
    return FromWindows1255(bytes);
}

Result<ReadFile> ReadMasavFile(std::string_view bytes) {
    const std::size_t w = kRecordWidth;
    const std::string_view mark = bytes.size() >= w ? bytes.substr(w - 3, 3) : "";
    if (mark != "KOT" && mark != "kot") {
        return Fault(1, "אינה רשומת כותרת של קובץ מס\"ב (KOT או kot במקום 126)");
    }
    ReadFile file;
    file.variant = mark == "KOT" ? Variant::Credit : Variant::Collection;
    const std::string_view end = file.variant == Variant::Credit ? "\r\n" : "\n";

    // The lines, each checked for its width and terminator.
    std::vector<std::string_view> records;
    std::size_t at = 0;
    bool ended = false;
    while (at < bytes.size()) {
        const std::size_t number = records.size() + 1;
        if (ended) {
            return Fault(number, "יש נתונים אחרי שורת הסיום");
        }
        std::string_view record = bytes.substr(at, w);
        // Searched for by memchr, many bytes at a time: every byte of the file is looked at.
        if (record.size() < w || record.find('\n') != std::string_view::npos ||
            record.find('\r') != std::string_view::npos) {
            return Fault(number, "אורך הרשומה אינו 128 תווים");
        }
        static const std::string kEndLine(kRecordWidth, '9');
        ended = record == kEndLine;
        const std::string_view terminator = ended ? "\r\n" : end;
        if (bytes.substr(at + w, terminator.size()) != terminator) {
            return Fault(number,
                         "סיום השורה אינו " + std::string(terminator == "\r\n" ? "CR LF" : "LF"));
        }
        records.push_back(record);
        at += w + terminator.size();
    }
    if (!ended) {
        return Fault(records.size(), "חסרה שורת הסיום (128 תווי 9)");
    }
    if (records.size() < 3) {
        return Fault(records.size(), "חסרה רשומת סיכום");
    }

    Fields h;
    ZIVRON_TRY(ReadSlots(records[0], HeaderSlots(), 1, h));
    file.institution_code = std::string(h[Source::InstitutionCode]);
    file.software_code = std::string(h[Source::SoftwareCode]);
    file.payment_date = std::string(h[Source::PaymentDate]);
    file.institution_name = DecodeOldName(h[Source::InstitutionName]);
    if (records[0].substr(22, 6) != file.payment_date) {
        return Fault(1, "שני תאריכי הערך בכותרת שונים");
    }

    const std::string code = file.variant == Variant::Credit ? "006" : "504";
    file.details.reserve(records.size());
    long long sum = 0;
    Fields d;  // every detail record has the same slots: each read overwrites the last
    for (std::size_t i = 1; i + 2 < records.size(); ++i) {
        if (records[i][0] != '1') {
            return Fault(i + 1, "אינה רשומת תנועה (1 במקום 1)");
        }
        ZIVRON_TRY(ReadSlots(records[i], DetailSlots(), i + 1, d));
        if (d[Source::InstitutionCode] != file.institution_code) {
            return Fault(i + 1, "קוד המוסד שונה מזה של הכותרת");
        }
        if (d[Source::TransactionCode] != code) {
            return Fault(i + 1, "קוד התנועה אינו " + std::string(code));
        }
        ReadDetail r;
        r.bank = std::string(d[Source::Bank]);
        r.branch = std::string(d[Source::Branch]);
        r.account = std::string(d[Source::Account]);
        r.identity = std::string(d[Source::Identity]);
        r.name = DecodeOldName(d[Source::RowName]);
        r.agorot = Number(d[Source::Shekels]) * 100 + Number(d[Source::Agorot]);
        r.reference = std::string(d[Source::Reference]);
        sum += r.agorot;
        file.details.push_back(std::move(r));
    }

    const std::size_t t = records.size() - 2;
    if (records[t][0] != '5') {
        return Fault(t + 1, "אינה רשומת סיכום (5 במקום 1)");
    }
    Fields tr;
    ZIVRON_TRY(
        ReadSlots(records[t],
                  file.variant == Variant::Credit ? CreditTrailerSlots() : CollectionTrailerSlots(),
                  t + 1, tr));
    if (tr[Source::InstitutionCode] != file.institution_code ||
        tr[Source::PaymentDate] != file.payment_date) {
        return Fault(t + 1, "קוד המוסד או תאריך הערך שונים מאלה של הכותרת");
    }
    file.count = Number(tr[Source::Count]);
    file.total_agorot = Number(tr[Source::TotalShekels]) * 100 + Number(tr[Source::TotalAgorot]);
    if (file.count != static_cast<long long>(file.details.size())) {
        return Fault(t + 1, "מספר התנועות " + std::to_string(file.count) + " ובקובץ " +
                                std::to_string(file.details.size()) + " רשומות תנועה");
    }
    if (file.total_agorot != sum) {
        return Fault(t + 1, "סך הסכומים " + AgorotText(file.total_agorot) + " וסכום הרשומות " +
                                AgorotText(sum));
    }
    return file;
}

std::string DescribeFile(const ReadFile& file) {
    const std::string& d = file.payment_date;
    std::string out =
        std::string("סוג: ") + (file.variant == Variant::Credit ? "זיכויים" : "חיובים") + "\n" +
        "קוד מוסד: " + file.institution_code + "\n" + "קוד תוכנה: " + file.software_code + "\n" +
        "תאריך ערך: " + d.substr(4, 2) + "/" + d.substr(2, 2) + "/" + d.substr(0, 2) + "\n" +
        "שם המוסד: " + file.institution_name + "\n";
    std::size_t n = 0;
    for (const ReadDetail& r : file.details) {
        out += std::to_string(++n) + "\t" + r.name + "\t" + r.identity + "\t" + r.bank + "\t" +
               r.branch + "\t" + r.account + "\t" + AgorotText(r.agorot) + "\t" +
               BankAndBranchOf(r.bank, r.branch) + "\n";
    }
    out += "מספר תנועות: " + std::to_string(file.count) + "\n";
    out += "סך הכל: " + AgorotText(file.total_agorot) + "\n";
    return out;
}

Status CompareWithInput(const ReadFile& file, const FileInput& intended) {
    auto differ = [](const std::string& what) {
        return Error{ErrorCode::BadInput,
                     "הקובץ שנכתב אינו תואם את הנתונים (" + what + "); הוא לא נשמר"};
    };
    const Variant want = intended.variant;
    if (file.variant != want) {
        return differ("סוג הקובץ");
    }
    if (!FitsAs(intended.institution.code, 8, file.institution_code) ||
        !FitsAs(intended.institution.software_code, 5, file.software_code)) {
        return differ("קוד המוסד או קוד התוכנה");
    }
    const ValueDate& d = intended.date;
    char date[16];
    std::snprintf(date, sizeof date, "%02d%02d%02d", d.year % 100, d.month, d.day);
    if (file.payment_date != date) {
        return differ("תאריך הערך");
    }
    if (file.details.size() != intended.rows.size()) {
        return differ("מספר התנועות");
    }
    for (std::size_t i = 0; i < intended.rows.size(); ++i) {
        const Row& row = intended.rows[i];
        const ReadDetail& got = file.details[i];
        auto at = [i](const char* field) {
            return "תנועה " + std::to_string(i + 1) + ", " + field;
        };
        if (!FitsAs(row.id, 9, got.identity)) {
            return differ(at("זהות"));
        }
        if (!FitsAs(row.bank, 2, got.bank) || !FitsAs(row.branch, 3, got.branch) ||
            !FitsAs(row.account, 9, got.account)) {
            return differ(at("חשבון"));
        }
        std::optional<double> amount = RegionalNumber(row.amount);
        if (!amount || AgorotOf(*amount) != got.agorot) {
            return differ(at("סכום"));
        }
    }
    return Ok();
}

}  // namespace zivron::masav
