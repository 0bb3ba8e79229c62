#include "history/history_import.h"

#include <chrono>
#include <cmath>
#include <regex>

#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {
namespace {

// A date cell's day number, counted as spreadsheets count it (day 1 is 1 January 1900).
masav::ValueDate DateOfSerial(double serial) {
    using namespace std::chrono;
    const sys_days day = sys_days(year(1899) / December / 30) + days(std::llround(serial));
    const year_month_day ymd(day);
    return {static_cast<int>(static_cast<unsigned>(ymd.day())),
            static_cast<int>(static_cast<unsigned>(ymd.month())), static_cast<int>(ymd.year())};
}

}  // namespace

std::optional<SummarySource> SourceOfSummaryPath(const std::filesystem::path& path) {
    static const std::regex kName(R"(Rikuz=\d{4}mosad=(\d+)\.xlsx?)", std::regex::icase);
    std::smatch m;
    const std::string name = path.filename().string();
    if (!std::regex_match(name, m, kName)) {
        return std::nullopt;
    }
    for (const auto& part : path) {
        if (part == "Zikuyim") {
            return SummarySource{m[1], masav::Variant::Credit};
        }
        if (part == "Hiuvim") {
            return SummarySource{m[1], masav::Variant::Collection};
        }
    }
    return std::nullopt;
}

Result<std::vector<std::vector<PastPayment>>> ReadSummaryRuns(sheet::SpreadsheetApp& app,
                                                              const std::filesystem::path& path,
                                                              const SummarySource& source) {
    Result<sheet::Workbook*> opened = app.Open(path);
    if (!opened) {
        return opened.error();
    }
    const sheet::Workbook& wb = *opened.value();
    std::vector<std::vector<PastPayment>> runs;
    std::string run_key;
    for (int r = 2, last = wb.LastRow(); r <= last; ++r) {
        const std::string name = sheet::CellText(wb.Read(r, 1));
        const std::string id = sheet::CellText(wb.Read(r, 2));
        if (name == "*" && id.empty()) {
            break;  // the end marker
        }
        const sheet::CellValue date = wb.Read(r, 7);
        if (date.kind != sheet::CellKind::Number) {
            return BadInput("בקובץ הריכוז " + path.filename().string() + " בשורה " +
                            std::to_string(r) + " אין תאריך בעמודה G");
        }
        const std::string key = NumberText(date.number) + " " + sheet::CellText(wb.Read(r, 8));
        if (runs.empty() || key != run_key) {
            runs.emplace_back();
            run_key = key;
        }
        const std::optional<double> amount = RegionalNumber(sheet::CellText(wb.Read(r, 6)));
        runs.back().push_back({source.institution, source.variant, DateOfSerial(date.number),
                               IdentityKey(id), name,
                               PadLeftWithZeros(Trim(sheet::CellText(wb.Read(r, 3))), 2),
                               PadLeftWithZeros(Trim(sheet::CellText(wb.Read(r, 4))), 3),
                               PadLeftWithZeros(Trim(sheet::CellText(wb.Read(r, 5))), 9),
                               amount ? AgorotOf(*amount).value_or(0) : 0, 0});
    }
    return runs;
}

}  // namespace zivron
