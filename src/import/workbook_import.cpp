// The credit and collection imports: read the workbook of payees or payers, fix and mark it in
// place, fill the transaction table and the panel's summary.

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

#include "app/hamara_form.h"
#include "import/petah.h"
#include "text/hebrew.h"
#include "text/numeric.h"
#include "text/shaping.h"
#include "validate/bank_rules.h"
#include "validate/clear_bad_sin.h"
#include "validate/identity.h"

namespace zivron {
namespace {

using sheet::CellKind;
using sheet::CellText;
using sheet::CellValue;

constexpr int kFirstRow = 2;
constexpr int kScanLimit = 10000;

struct ImportControls {
    CheckBox& fix;
    CheckBox& accounts;
    CheckBox& ids;
    int typing_box, accounts_box, ids_box, count_box, total_box;
};

ImportControls ControlsOf(HamaraForm& f, Panel panel) {
    if (panel == Panel::Credit) {
        return {f.Check8, f.Check6, f.Check4, 16, 15, 14, 9, 8};
    }
    return {f.Check1, f.Check2, f.Check5, 11, 12, 13, 3, 4};
}

// The amount of a cell: the regional reading the builders use ("1,250" is 1250), and only where
// that fails the numeric value of its text.
double AmountOf(const std::string& text) {
    if (std::optional<double> v = RegionalNumber(text)) {
        return *v;
    }
    return NumericValue(text);
}

// One data row as read: the cells of A..F and their texts. Every pass works from these, and a
// write to the workbook updates them, so each cell is read once.
struct DataRow {
    std::array<CellValue, 6> cell;
    std::array<std::string, 6> text;
};

// The rows before the first end row (at most rows 2 to 9999). An end row has "x", "X" or "*" in A,
// an empty A, B or C, or a C, D or E whose numeric value is 0.
std::vector<DataRow> ReadDataRows(const sheet::Workbook& wb) {
    std::vector<DataRow> rows;
    for (int r = kFirstRow; r <= kScanLimit; ++r) {
        DataRow row;
        for (int c = 0; c < 6; ++c) {
            row.cell[c] = wb.Read(r, c + 1);
            row.text[c] = CellText(row.cell[c]);
        }
        const std::string& a = row.text[0];
        if (a == "x" || a == "X" || a == "*" || a.empty() || row.text[1].empty() ||
            row.text[2].empty() || NumericValue(row.text[2]) == 0 ||
            NumericValue(row.text[3]) == 0 || NumericValue(row.text[4]) == 0) {
            return rows;
        }
        rows.push_back(std::move(row));
    }
    rows.resize(9999 - kFirstRow + 1);
    return rows;
}

// A data cell holding a spreadsheet error cannot be read as text or number; the import refuses
// it before it changes anything.
std::optional<std::string> ErrorCell(const std::vector<DataRow>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (int c = 0; c < 6; ++c) {
            const CellValue& v = rows[i].cell[c];
            if (v.kind == CellKind::Error) {
                return "בתא " + sheet::CellName(static_cast<int>(i) + kFirstRow, c + 1) +
                       " יש ערך שגיאה (" + v.text + "); יש לתקן את החוברת ולנסות שוב";
            }
        }
    }
    return std::nullopt;
}

Status WriteValue(sheet::Workbook& wb, int row, int col, const CellValue& v) {
    if (v.kind == CellKind::Number || v.kind == CellKind::Boolean) {
        return wb.WriteNumber(row, col, v.number);
    }
    return wb.WriteText(row, col, CellText(v));
}

}  // namespace

void HamaraForm::Import(Panel panel) {
    if (importing_) {
        port_.MessageBox("יבוא קובץ כבר מתבצע; יש להמתין לסיומו", "קדמור", Buttons::Ok);
        return;
    }
    const LocalTime started = port_.Now();
    const double start = std::round(started.SecondsSinceMidnight());
    std::optional<WorkingFolder> keep_folder(std::in_place);

    std::string path = Petah(port_);
    if (path == "x" || path.empty()) {
        port_.MessageBox("בחר קובץ לקריאה", "קדמור", Buttons::Ok);
        return;
    }
    importing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{importing_};

    ImportControls ui = ControlsOf(*this, panel);
    ChekBankNumber checker(
        [this](const std::string& text) { port_.MessageBox(text, "", Buttons::Ok); });
    int typing_errors = 0;
    int invalid_accounts = 0;
    int invalid_ids = 0;
    port_.BusyPointer(true);

    auto fail = [&](const std::string& message) {
        port_.BusyPointer(false);
        port_.MessageBox(message, "קדמור", Buttons::Ok);
    };
    auto elapsed = [&](int row) {
        ImportRow = row;
        float now = static_cast<float>(port_.Now().SecondsSinceMidnight());
        // The start was rounded to a whole second, so the first half second would read below 0.
        double e = std::max(0.0, std::round((static_cast<double>(now) - start) * 100.0) / 100.0);
        Label12.caption = NumberText(e);
    };

    std::unique_ptr<sheet::SpreadsheetApp> app = port_.NewSpreadsheetApp();
    Result<sheet::Workbook*> opened = app->Open(path);
    if (!opened) {
        fail(opened.error().message);
        return;
    }
    sheet::Workbook& wb = *opened.value();
    if (panel == Panel::Credit) {
        ArchivePath = "C:\\ZIVRON\\Arhiv\\Zikuyim";
    }

    std::vector<DataRow> rows = ReadDataRows(wb);
    const int last = kFirstRow + static_cast<int>(rows.size()) - 1;
    port_.Yield();
    if (std::optional<std::string> bad = ErrorCell(rows)) {
        fail(*bad);
        return;
    }
    auto save = [&]() {
        Status s = wb.Save();
        if (!s) {
            fail(s.error().message);
        }
        return s.ok();
    };
    auto must = [&](const Status& s) {
        if (!s) {
            fail(s.error().message);
        }
        return s.ok();
    };

    if (ui.fix.Ticked()) {
        for (int r = kFirstRow; r <= last; ++r) {
            DataRow& row = rows[static_cast<std::size_t>(r - kFirstRow)];
            for (int c = 2; c <= 5; ++c) {
                const CellValue v = row.cell[c - 1];
                const std::string& text = row.text[c - 1];
                std::string digits =
                    v.kind == CellKind::Number ? ClearBadSin(v.number) : ClearBadSin(text);
                if (digits == text) {
                    continue;  // writing the same value back changes nothing
                }
                if (!must(wb.SetFill(r, c, sheet::kTypingFixColour)) ||
                    !must(WriteValue(wb, r, c + 7, v)) ||
                    !must(wb.SetFill(r, c + 7, sheet::kTypingFixColour))) {
                    return;
                }
                ++typing_errors;
                // The cleaned value keeps the cell's kind: a number stays a number.
                if (v.kind == CellKind::Number && !digits.empty()) {
                    row.cell[c - 1] = CellValue::Num(NumericValue(digits));
                } else {
                    row.cell[c - 1] = CellValue::Str(digits);
                }
                if (!must(WriteValue(wb, r, c, row.cell[c - 1]))) {
                    return;
                }
                row.text[c - 1] = CellText(row.cell[c - 1]);
            }
            port_.Yield();
            elapsed(r);
            Caption = row.text[0];
        }
        if (typing_errors > 0 && !save()) {
            return;
        }
    }

    if (ui.accounts.Ticked()) {
        for (int r = kFirstRow; r <= last; ++r) {
            const DataRow& row = rows[static_cast<std::size_t>(r - kFirstRow)];
            // Shaped as single-byte texts, as the bank file will hold them.
            std::string bank = HashlemAfasimA(ToWindows1255(row.text[2]), 2);
            std::string branch = HashlemAfasimA(ToWindows1255(row.text[3]), 3);
            std::string account = HashlemAfasimA(ToWindows1255(row.text[4]), 9);
            if (!checker.CB(bank, branch, account)) {
                for (int c = 3; c <= 5; ++c) {
                    if (!must(wb.SetFill(r, c, sheet::kInvalidAccountColour))) {
                        return;
                    }
                }
                ++invalid_accounts;
            }
            elapsed(r);
        }
        if (invalid_accounts > 0 && !save()) {
            return;
        }
    }

    if (ui.ids.Ticked()) {
        for (int r = kFirstRow; r <= last; ++r) {
            if (!ChkID(rows[static_cast<std::size_t>(r - kFirstRow)].text[1])) {
                if (!must(wb.SetFill(r, 2, sheet::kInvalidIdColour))) {
                    return;
                }
                ++invalid_ids;
            }
            elapsed(r);
        }
        if (invalid_ids > 0 && !save()) {
            return;
        }
    }

    // The copy. The table is emptied only now, so a failed import leaves the last one whole.
    for (int n = 0; n < 10000; ++n) {
        for (int c = 0; c <= 5; ++c) {
            Table[n][c].clear();
        }
    }
    double count = 0;
    double total = 0;
    for (int r = kFirstRow; r <= last; ++r) {
        const int n = r - kFirstRow;
        const DataRow& row = rows[static_cast<std::size_t>(n)];
        elapsed(r);
        double amount = AmountOf(row.text[5]);
        if (panel == Panel::Credit && std::isfinite(amount)) {
            (void)wb.WriteNumber(r, 6, amount);  // left unsaved, as the operator's copy shows it
        }
        for (int c = 1; c <= 5; ++c) {
            Table[n][c] = row.text[c - 1];
        }
        Table[n][6] = panel == Panel::Credit ? NumberText(amount) : row.text[5];
        count += 1;
        total += amount;
        port_.Yield();
    }
    rows_imported_ = static_cast<int>(count);

    port_.BusyPointer(false);
    TextGove[ui.typing_box].text = std::to_string(typing_errors);
    TextGove[ui.accounts_box].text = std::to_string(invalid_accounts);
    TextGove[ui.ids_box].text = std::to_string(invalid_ids);
    TextGove[ui.count_box].text = NumberText(count);
    TextGove[ui.total_box].text = NumberText(total);
    app->MakeVisible(wb);
    keep_folder.reset();
    port_.MessageBox("יבוא הקובץ הושלם", "קדמור", Buttons::Ok);
}

}  // namespace zivron
