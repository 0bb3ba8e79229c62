#include "workbooks/archive_workbooks.h"

#include <optional>

#include "run/run_paths.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {
namespace {

// A cell value of the table: an amount that reads as a number is stored as one, so the column
// sums; every other field stays a text and keeps its leading zeros.
Status WriteAmount(sheet::Workbook& wb, int row, int col, const std::string& text) {
    if (std::optional<double> v = RegionalNumber(text)) {
        return wb.WriteNumber(row, col, *v);
    }
    return wb.WriteText(row, col, text);
}

// Columns A to F of a transaction row, as both workbooks hold it.
Status WriteTransaction(sheet::Workbook& wb, int row, const masav::Row& t) {
    const std::string cells[] = {t.name, t.id, PadLeftWithZeros(t.bank, 2),
                                 PadLeftWithZeros(t.branch, 3), PadLeftWithZeros(t.account, 9)};
    for (int c = 0; c < 5; ++c) {
        ZIVRON_TRY(wb.WriteText(row, c + 1, cells[c]));
    }
    return WriteAmount(wb, row, 6, t.amount);
}

Status WriteTexts(sheet::Workbook& wb, int row, std::initializer_list<const char*> texts) {
    int col = 1;
    for (const char* t : texts) {
        ZIVRON_TRY(wb.WriteText(row, col++, t));
    }
    return Ok();
}

Status SaveNew(sheet::SpreadsheetApp& app, sheet::Workbook& wb, const std::filesystem::path& path) {
    Status s = wb.SaveAs(path);
    app.Close(&wb);
    app.Quit();
    return s;
}

Status WriteSummaryRows(sheet::Workbook& wb, int first_row, std::span<const masav::Row> rows,
                        const LocalTime& now) {
    const std::string clock = ClockText(now);  // one time for every row of the run
    int r = first_row;
    for (const masav::Row& row : rows) {
        ZIVRON_TRY(WriteTransaction(wb, r, row));
        ZIVRON_TRY(wb.WriteDate(r, 7, now.year, now.month, now.day));
        ZIVRON_TRY(wb.WriteText(r, 8, clock));
        ++r;
    }
    return wb.WriteText(r, 1, "*");
}

// The end marker: "*" alone in its row. A payee named "*" fills the rest of the row, and taking
// that row for the marker would let the next run overwrite the rows after it.
bool IsEndMarker(const sheet::Workbook& wb, int row) {
    const sheet::CellValue a = wb.Read(row, 1);
    if (a.kind != sheet::CellKind::Text || a.text != "*") {
        return false;
    }
    for (int c = 2; c <= 8; ++c) {
        if (wb.Read(row, c).kind != sheet::CellKind::Empty) {
            return false;
        }
    }
    return true;
}

// The first row the workbook holds: past the rows a summary kept apart, where it kept them.
int FirstHeldRow(const sheet::Workbook& wb) {
    const sheet::RowsKeptApart* apart = wb.KeptApartRows();
    return apart != nullptr ? apart->FirstRow() : 1;
}

// A summary's saves keep its earlier runs apart, where the format can.
void KeepEarlierRunsApart(sheet::Workbook& wb) {
    if (sheet::RowsKeptApart* apart = wb.KeptApartRows()) {
        apart->KeepLastRowApart();
    }
}

// The first end marker from the first row the workbook holds; 0 when there is none.
int EndMarkerRow(const sheet::Workbook& wb) {
    for (int r = FirstHeldRow(wb), last = wb.LastRow(); r <= last; ++r) {
        if (IsEndMarker(wb, r)) {
            return r;
        }
    }
    return 0;
}

}  // namespace

Status WriteDetailWorkbook(sheet::SpreadsheetApp& app, const RunRecord& run,
                           const std::filesystem::path& path, const LocalTime& now) {
    sheet::Workbook& wb = *app.Add();
    ZIVRON_TRY(wb.AddWorksheet());
    ZIVRON_TRY(wb.WriteText(1, 1, "פרוט ההעברות למוסד:"));
    ZIVRON_TRY(wb.WriteText(1, 2, run.workbook_name));
    ZIVRON_TRY(wb.WriteText(1, 3, "קוד מוסד"));
    ZIVRON_TRY(wb.WriteText(1, 4, run.institution.code));
    ZIVRON_TRY(wb.WriteText(1, 5, "תאריך"));
    ZIVRON_TRY(wb.WriteDate(1, 6, now.year, now.month, now.day));
    ZIVRON_TRY(WriteTexts(wb, 2, {"מוטב", "זהות", "בנק", "סניף", "חשבון", "סכום"}));
    int r = 3;
    for (const masav::Row& row : run.rows) {
        ZIVRON_TRY(WriteTransaction(wb, r++, row));
    }
    ZIVRON_TRY(wb.WriteText(r, 1, "*"));
    ZIVRON_TRY(WriteAmount(wb, r, 6, run.total_text));
    return SaveNew(app, wb, path);
}

Status WriteNewSummaryWorkbook(sheet::SpreadsheetApp& app, std::span<const masav::Row> rows,
                               const std::filesystem::path& path, const LocalTime& now) {
    sheet::Workbook& wb = *app.Add();
    ZIVRON_TRY(wb.AddWorksheet());
    ZIVRON_TRY(WriteTexts(wb, 1, {"מוטב", "זהות", "בנק", "סניף", "חשבון", "סכום", "תאריך", "שעה"}));
    ZIVRON_TRY(WriteSummaryRows(wb, 2, rows, now));
    KeepEarlierRunsApart(wb);
    return SaveNew(app, wb, path);
}

Status AppendSummaryWorkbook(sheet::SpreadsheetApp& app, std::span<const masav::Row> rows,
                             const std::filesystem::path& path, const LocalTime& now) {
    // A summary this program saved keeps its earlier runs stored apart and is opened from its
    // last row, the end marker; the rows before it are its heading and data rows, none of which
    // is a marker. Any other summary is read whole and searched from the top.
    Result<sheet::Workbook*> opened = app.Open(path, sheet::OpenMode::FromLastRow);
    int marker = opened ? EndMarkerRow(*opened.value()) : 0;
    if (opened && marker == 0 && FirstHeldRow(*opened.value()) > 1) {
        app.Close(opened.value());
        opened = app.Open(path, sheet::OpenMode::Whole);
        marker = opened ? EndMarkerRow(*opened.value()) : 0;
    }
    if (!opened) {
        return opened.error();
    }
    if (marker == 0) {
        app.Quit();
        // Without its end marker the next free row is unknown, and no earlier run may be
        // overwritten.
        return Error{ErrorCode::BadInput, "בקובץ הריכוז " + path.string() +
                                              " לא נמצא סימן הסוף (*); "
                                              "נתוני הריצה לא צורפו אליו"};
    }
    sheet::Workbook& wb = *opened.value();
    ZIVRON_TRY(WriteSummaryRows(wb, marker, rows, now));
    KeepEarlierRunsApart(wb);
    Status s = wb.Save();
    app.Quit();
    return s;
}

}  // namespace zivron
