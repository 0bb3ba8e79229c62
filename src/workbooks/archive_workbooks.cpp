// The run's records beside its Masav file: the detail workbook of one run and the yearly summary
// workbook that every run of an institution appends to.

#include <filesystem>
#include <optional>

#include "app/hamara_form.h"
#include "app/run_paths.h"
#include "platform/drive_root.h"
#include "text/numeric.h"
#include "text/shaping.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

constexpr int kMarkerSearchRows = 10000;

// A cell value of the table: an amount that reads as a number is stored as one, so the column
// sums; every other field stays a text and keeps its leading zeros.
Status WriteAmount(sheet::Workbook& wb, int row, int col, const std::string& text) {
    if (std::optional<double> v = RegionalNumber(text)) {
        return wb.WriteNumber(row, col, *v);
    }
    return wb.WriteText(row, col, text);
}

// Columns A to F of a transaction row, as both workbooks hold it.
Status WriteTransaction(sheet::Workbook& wb, int row, const HamaraForm::TableRow& t) {
    const std::string cells[] = {t[1], t[2], HashlemAfasimA(t[3], 2), HashlemAfasimA(t[4], 3),
                                 HashlemAfasimA(t[5], 9)};
    for (int c = 0; c < 5; ++c) {
        if (Status s = wb.WriteText(row, c + 1, cells[c]); !s) {
            return s;
        }
    }
    return WriteAmount(wb, row, 6, t[6]);
}

Status WriteTexts(sheet::Workbook& wb, int row, std::initializer_list<const char*> texts) {
    int col = 1;
    for (const char* t : texts) {
        if (Status s = wb.WriteText(row, col++, t); !s) {
            return s;
        }
    }
    return Ok();
}

Status SaveNew(sheet::SpreadsheetApp& app, sheet::Workbook& wb, const std::string& written) {
    Status s = wb.SaveAs(MapWrittenPath(written));
    app.Close(&wb);
    app.Quit();
    return s;
}

#define ZIVRON_TRY(expr)               \
    do {                               \
        if (Status s_ = (expr); !s_) { \
            return s_;                 \
        }                              \
    } while (false)

}  // namespace

Status HamaraForm::ZorNewExel(const std::string& KovezArhiv, int LinNumber, Panel panel) {
    const bool credit = panel == Panel::Credit;
    const std::string& code = TextGove[credit ? 5 : 1].text;
    const std::string& total = TextGove[credit ? 8 : 4].text;
    const LocalTime now = port_.Now();
    auto app = port_.NewSpreadsheetApp();
    sheet::Workbook& wb = *app->Add();
    ZIVRON_TRY(wb.AddWorksheet());
    ZIVRON_TRY(wb.WriteText(1, 1, "פרוט ההעברות למוסד:"));
    ZIVRON_TRY(wb.WriteText(1, 2, TextGove[7].text));
    ZIVRON_TRY(wb.WriteText(1, 3, "קוד מוסד"));
    ZIVRON_TRY(wb.WriteText(1, 4, code));
    ZIVRON_TRY(wb.WriteText(1, 5, "תאריך"));
    ZIVRON_TRY(wb.WriteDate(1, 6, now.year, now.month, now.day));
    ZIVRON_TRY(WriteTexts(wb, 2, {"מוטב", "זהות", "בנק", "סניף", "חשבון", "סכום"}));
    for (int i = 0; i < LinNumber; ++i) {
        ZIVRON_TRY(WriteTransaction(wb, i + 3, Table[i]));
    }
    ZIVRON_TRY(wb.WriteText(LinNumber + 3, 1, "*"));
    ZIVRON_TRY(WriteAmount(wb, LinNumber + 3, 6, total));
    return SaveNew(*app, wb, KovezArhiv);
}

namespace {

Status WriteSummaryRows(sheet::Workbook& wb, int first_row, int LinNumber,
                        const std::vector<HamaraForm::TableRow>& table, const LocalTime& now) {
    const std::string clock = ClockText(now);  // one time for every row of the run
    for (int i = 0; i < LinNumber; ++i) {
        ZIVRON_TRY(WriteTransaction(wb, first_row + i, table[i]));
        ZIVRON_TRY(wb.WriteDate(first_row + i, 7, now.year, now.month, now.day));
        ZIVRON_TRY(wb.WriteText(first_row + i, 8, clock));
    }
    return wb.WriteText(first_row + LinNumber, 1, "*");
}

}  // namespace

Status HamaraForm::ZorNewExelRikuz(const std::string& KovezArhiv, int LinNumber) {
    auto app = port_.NewSpreadsheetApp();
    sheet::Workbook& wb = *app->Add();
    ZIVRON_TRY(wb.AddWorksheet());
    ZIVRON_TRY(WriteTexts(wb, 1, {"מוטב", "זהות", "בנק", "סניף", "חשבון", "סכום", "תאריך", "שעה"}));
    ZIVRON_TRY(WriteSummaryRows(wb, 2, LinNumber, Table, port_.Now()));
    return SaveNew(*app, wb, KovezArhiv);
}

Status HamaraForm::AdkenRikuzExel(const std::string& KovezArhiv, int LinNumber) {
    auto app = port_.NewSpreadsheetApp();
    Result<sheet::Workbook*> opened = app->Open(MapWrittenPath(KovezArhiv));
    if (!opened) {
        return opened.error();
    }
    sheet::Workbook& wb = *opened.value();
    int marker = 0;
    for (int r = 1; r <= kMarkerSearchRows && marker == 0; ++r) {
        sheet::CellValue a = wb.Read(r, 1);
        if (a.kind == sheet::CellKind::Text && a.text == "*") {
            marker = r;
        }
    }
    if (marker == 0) {
        // Without its end marker the next free row is unknown, and no earlier run may be
        // overwritten.
        return Error{ErrorCode::BadInput, "בקובץ הריכוז " + MapWrittenPath(KovezArhiv).string() +
                                              " לא נמצא סימן הסוף (*) בשורות 1 עד 10000; "
                                              "נתוני הריצה לא צורפו אליו"};
    }
    ZIVRON_TRY(WriteSummaryRows(wb, marker, LinNumber, Table, port_.Now()));
    Status s = wb.Save();
    app->Quit();
    return s;
}

}  // namespace zivron
