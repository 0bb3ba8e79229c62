#include "app/file_review.h"

#include <algorithm>
#include <chrono>

#include "app/texts.h"
#include "masav/masav_reader.h"
#include "text/shaping.h"

namespace zivron {
namespace {

using namespace texts;

constexpr const char* kDayNames[] = {kSunday,   kMonday, kTuesday, kWednesday,
                                     kThursday, kFriday, kSaturday};

// 0 for Sunday to 6 for Saturday.
unsigned WeekdayOf(const masav::ValueDate& d) {
    const std::chrono::year_month_day ymd{std::chrono::year(d.year),
                                          std::chrono::month(static_cast<unsigned>(d.month)),
                                          std::chrono::day(static_cast<unsigned>(d.day))};
    return std::chrono::weekday(std::chrono::sys_days(ymd)).c_encoding();
}

std::string VariantName(masav::Variant v) {
    return v == masav::Variant::Credit ? kCredits : kCollections;
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
    return Filled(kWeekend, {kDayNames[day]});
}

bool FileReview::AccountChanged() const {
    return std::any_of(findings.begin(), findings.end(), [](const PayeeFinding& f) {
        return f.kind == PayeeFinding::Kind::AccountChanged;
    });
}

namespace {

// A line for each row: its place, payee, field, reason, and the bank's and branch's names.
std::string RowsText(const std::vector<ImportMark>& rows) {
    std::string out;
    for (const ImportMark& m : rows) {
        out += Filled(kReviewRow, {std::to_string(m.sheet_row)}) + "\t" + m.name + "\t" + m.field +
               "\t" + m.reason + (m.bank.empty() ? "" : "\t" + m.bank) + "\n";
    }
    return out;
}

}  // namespace

std::string FileReview::Text() const {
    const bool credit = panel == Panel::Credit;
    std::string out = std::string(credit ? kReviewCreditFile : kReviewCollectionFile) + "\n";
    out += Filled(kReviewInstitution, {institution_name, institution_code}) + "\n";
    out +=
        Filled(kReviewValueDate, {masav::DateText(value_date), kDayNames[WeekdayOf(value_date)]}) +
        "\n";
    if (!weekend_note.empty()) {
        out += weekend_note + "\n";
    }
    out += Filled(kReviewPayments, {std::to_string(payments)}) + "\n";
    out += Filled(kReviewTotal, {total}) + "\n";
    out += Filled(kReviewMarkedRows, {std::to_string(marks.size())}) + "\n";
    out += RowsText(marks);
    if (!warnings.empty()) {
        out += Filled(kReviewBranchWarnings, {std::to_string(warnings.size())}) + "\n";
        out += RowsText(warnings);
    }
    out += Filled(kReviewNewPayees, {std::to_string(new_payees)}) + "\n";
    for (const PayeeFinding& f : findings) {
        out += f.text + "\n";
    }
    if (!history_fault.empty()) {
        out += Filled(kHistoryAway, {history_fault}) + "\n";
    }
    if (!file_waiting) {
        out += std::string(kNoWaitingFile) + "\n";
    } else if (waiting) {
        out += Filled(kWaitingFile,
                      {VariantName(waiting->variant), waiting->institution_code,
                       FileDateText(waiting->payment_date), std::to_string(waiting->count),
                       AgorotText(waiting->total_agorot)}) +
               "\n";
    } else {
        out += Filled(kUnreadableWaitingFile, {waiting_fault}) + "\n";
    }
    return out;
}

}  // namespace zivron
