#include "app/file_review.h"

#include <algorithm>
#include <chrono>

#include "masav/masav_reader.h"
#include "text/shaping.h"

namespace zivron {
namespace {

constexpr const char* kDayNames[] = {"ראשון", "שני", "שלישי", "רביעי", "חמישי", "שישי", "שבת"};

// 0 for Sunday to 6 for Saturday.
unsigned WeekdayOf(const masav::ValueDate& d) {
    const std::chrono::year_month_day ymd{std::chrono::year(d.year),
                                          std::chrono::month(static_cast<unsigned>(d.month)),
                                          std::chrono::day(static_cast<unsigned>(d.day))};
    return std::chrono::weekday(std::chrono::sys_days(ymd)).c_encoding();
}

std::string VariantName(masav::Variant v) {
    return v == masav::Variant::Credit ? "זיכויים" : "חיובים";
}

// "yymmdd" as the file carries its date, shown day first.
std::string FileDateText(const std::string& yymmdd) {
    if (yymmdd.size() != 6) {
        return yymmdd;
    }
    return yymmdd.substr(4, 2) + "/" + yymmdd.substr(2, 2) + "/20" + yymmdd.substr(0, 2);
}

}  // namespace

bool Before(const masav::ValueDate& date, int year, int month, int day) {
    if (date.year != year) {
        return date.year < year;
    }
    return date.month != month ? date.month < month : date.day < day;
}

std::string WeekendNote(const masav::ValueDate& date) {
    const unsigned day = WeekdayOf(date);
    if (day != 5 && day != 6) {
        return "";
    }
    return std::string("יום ") + kDayNames[day] + ": מס\"ב אינו פועל בסופי שבוע";
}

bool FileReview::AccountChanged() const {
    return std::any_of(findings.begin(), findings.end(), [](const PayeeFinding& f) {
        return f.kind == PayeeFinding::Kind::AccountChanged;
    });
}

std::string FileReview::Text() const {
    const bool credit = panel == Panel::Credit;
    std::string out =
        std::string("קובץ ") + (credit ? "זיכויים (העברות)" : "חיובים (הוראות קבע)") + "\n";
    out += "מוסד: " + institution_name + " (קוד " + institution_code + ")\n";
    out += "תאריך ערך: " + masav::DateText(value_date) + ", יום " +
           kDayNames[WeekdayOf(value_date)] + "\n";
    if (!weekend_note.empty()) {
        out += weekend_note + "\n";
    }
    out += "מספר תשלומים: " + std::to_string(payments) + "\n";
    out += "סך הכל: " + total + "\n";
    out += "שורות מסומנות: " + std::to_string(marks.size()) + "\n";
    for (const ImportMark& m : marks) {
        out += "שורה " + std::to_string(m.sheet_row) + "\t" + m.name + "\t" + m.field + "\t" +
               m.reason + "\n";
    }
    out += "מוטבים חדשים: " + std::to_string(new_payees) + "\n";
    for (const PayeeFinding& f : findings) {
        out += f.text + "\n";
    }
    if (!history_fault.empty()) {
        out += "היסטוריית התשלומים אינה זמינה (" + history_fault + "); לא נבדקו שינויי חשבונות\n";
    }
    if (!file_waiting) {
        out += "בתיקיית השידור אין קובץ\n";
    } else if (waiting) {
        out += "בתיקיית השידור קובץ " + VariantName(waiting->variant) + " של מוסד " +
               waiting->institution_code + ", תאריך ערך " + FileDateText(waiting->payment_date) +
               ", " + std::to_string(waiting->count) + " תנועות, סך הכל " +
               AgorotText(waiting->total_agorot) + "; הוא יוחלף\n";
    } else {
        out += "בתיקיית השידור קובץ שאינו נקרא (" + waiting_fault + "); הוא יוחלף\n";
    }
    return out;
}

}  // namespace zivron
