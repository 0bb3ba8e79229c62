// Files the session reads and writes besides a run: the conversions into "c:\Hamara.xls", a
// Masav file read back to be shown, and the base lists.

#include <filesystem>

#include "app/session.h"
#include "app/texts.h"
#include "convert/conversion_workbook.h"
#include "convert/file_readers.h"
#include "core/atomic_file.h"
#include "masav/masav_reader.h"
#include "platform/drive_root.h"
#include "workbooks/base_lists.h"

namespace zivron {
namespace {

// The new workbook saved as the conversions' output and shown.
Result<ConversionOutcome> SaveConversion(sheet::SpreadsheetApp& app, Result<ConversionWorkbook> out,
                                         std::size_t records_found) {
    if (!out) {
        return out.error();
    }
    const std::filesystem::path path = MapWrittenPath(kConversionOutput);
    ZIVRON_TRY(out.value().workbook->SaveAs(path));
    app.MakeVisible(*out.value().workbook);
    return ConversionOutcome{path, records_found, out.value().entries};
}

}  // namespace

Result<ConversionOutcome> Session::ConvertMasavNames(const std::filesystem::path& masav_file) {
    BusyWhile busy(port_);
    Result<std::string> text = ReadWholeFile(masav_file);
    if (!text) {
        return text.error();
    }
    const std::vector<std::string> names = MasavNames(text.value());
    auto app = port_.NewSpreadsheetApp();
    return SaveConversion(*app, NamesWorkbook(*app, names), names.size());
}

Result<ConversionOutcome> Session::ConvertPayrollExport(const std::filesystem::path& export_file) {
    BusyWhile busy(port_);
    Result<std::string> text = ReadWholeFile(export_file);
    if (!text) {
        return text.error();
    }
    const std::vector<MichpalRow> rows = MichpalRows(text.value(), kMaxConversionEntries);
    auto app = port_.NewSpreadsheetApp();
    return SaveConversion(*app, MichpalWorkbook(*app, rows), rows.size());
}

Result<MasavView> Session::ReadMasavFileToShow(const std::filesystem::path& path) {
    Result<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        return bytes.error();
    }
    Result<masav::ReadFile> file = masav::ReadMasavFile(bytes.value());
    MasavView view{path.string(), std::nullopt, ""};
    if (file) {
        view.file = std::move(file).value();
    } else {
        view.fault = file.error().message;
    }
    return view;
}

Result<BaseListOutcome> Session::OpenBaseList(Panel p) {
    const bool payees = p == Panel::Credit;
    const std::filesystem::path path = MapWrittenPath(payees ? kPayeesBaseList : kPayersBaseList);
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
        port_.ShellOpen(path);
        return BaseListOutcome{path, false};
    }
    BusyWhile busy(port_);
    auto app = port_.NewSpreadsheetApp();
    Result<sheet::Workbook*> wb =
        payees ? WriteBaseList(*app, path, texts::kPayeeHeading, texts::kPayeeIdHeading)
               : WriteBaseList(*app, path, texts::kPayerHeading, texts::kPayerIdHeading);
    if (!wb) {
        return wb.error();
    }
    app->MakeVisible(*wb.value());
    return BaseListOutcome{path, true};
}

}  // namespace zivron
