#include "run/masav_run.h"
#include "core/service_pages.h"

#include <filesystem>

#include "core/atomic_file.h"
#include "core/utf8.h"
#include "masav/masav_reader.h"
#include "platform/drive_root.h"
#include "run/run_paths.h"
#include "service/fetch_page.h"

namespace zivron {

namespace fs = std::filesystem;

namespace {

masav::FileInput InputOf(const RunRecord& run) {
    masav::FileInput input;
    input.variant =
        run.panel == Panel::Credit ? masav::Variant::Credit : masav::Variant::Collection;
    input.institution = run.institution;
    input.date = run.date;
    input.rows = run.rows;
    return input;
}

}  // namespace

Result<std::string> BuildMasav(const RunRecord& run) {
    return masav::BuildFile(InputOf(run));
}

Status WriteMasavFile(const RunRecord& run, const std::string& bytes,
                      const std::filesystem::path& path) {
    return WriteFileChecked(path, bytes, [&run](const std::filesystem::path& written) {
        Result<std::string> back = ReadWholeFile(written);
        if (!back) {
            return Status(back.error());
        }
        Result<masav::ReadFile> read = masav::ReadMasavFile(back.value());
        if (!read) {
            return Status(Error{ErrorCode::BadInput, "הקובץ שנכתב אינו קובץ מס\"ב תקין (" +
                                                         read.error().message + "); הוא לא נשמר"});
        }
        return masav::CompareWithInput(read.value(), InputOf(run));
    });
}

Status MakeWrittenFolder(const std::string& written) {
    std::error_code ec;
    fs::path p = MapWrittenPath(written);
    if (fs::is_directory(p, ec)) {
        return Ok();
    }
    if (!fs::create_directories(p, ec) && !fs::is_directory(p, ec)) {
        return Error{ErrorCode::IoFailure, "לא ניתן ליצור את התיקייה " + p.string()};
    }
    return Ok();
}

std::string ActivityLogQuery(const RunRecord& run, const Account& account,
                             const std::string& count_text, const LocalTime& now,
                             const std::string& computer) {
    const bool credit = run.panel == Panel::Credit;
    // The collection builder sends the account's name cut to 49 characters.
    const std::string name(credit ? std::string_view(account.name)
                                  : utf8::Prefix(account.name, 49));
    const auto v = [](const std::string& s) { return QueryValue(s); };
    return std::string(service_page::kActivityLog) + "?MD=" + v(name) +
           "&MD1=" + v(account.number) + "&RH=" + ClockText(now) + "&BA=" + DateText(now) +
           "&YI=" + v(count_text) + "&TL1=" + v(run.institution.name) +
           "&Sah=" + v(run.total_text) + "&TL=" + (credit ? "זיכויים" : "חיובים") +
           "&FX=" + v(run.institution.code) + "&FX1=" + v(run.institution.software_code) +
           "&MAIL=" + v(computer);
}

}  // namespace zivron
