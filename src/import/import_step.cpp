#include "import/import_step.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <optional>

#include "import/mark_colours.h"
#include "text/hebrew.h"
#include "text/numeric.h"
#include "text/shaping.h"
#include "validate/account_check.h"
#include "validate/digits_only.h"

namespace zivron {
namespace {

using sheet::CellKind;
using sheet::CellText;
using sheet::CellValue;

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

bool Blank(const std::string& text) {
    return TrimmedView(text).empty();
}

// The rows before the end of the data: the first row whose A to F are all blank (spaces alone, or
// a formula whose value is empty, count as blank), or whose A is an end marker ("x", "X", "*").
// Nothing else ends it, however many rows there are: a faulty row is the builder's to refuse.
std::vector<DataRow> ReadDataRows(const sheet::Workbook& wb) {
    std::vector<DataRow> rows;
    const int last = wb.LastRow();
    // Room for every row the scan may take, once: growing would copy the table at each doubling.
    rows.reserve(static_cast<std::size_t>(std::max(0, last - kFirstDataRow + 1)));
    for (int r = kFirstDataRow; r <= last; ++r) {
        DataRow& row = rows.emplace_back();  // filled where it stays, not moved there
        for (int c = 0; c < 6; ++c) {
            row.cell[c] = wb.Read(r, c + 1);
            row.text[c] = CellText(row.cell[c]);
        }
        const std::string& a = row.text[0];
        const bool blank = std::all_of(row.text.begin(), row.text.end(), Blank);
        if (a == "x" || a == "X" || a == "*" || blank) {
            rows.pop_back();
            break;
        }
    }
    return rows;
}

// An identity number, bank, branch or account that is blank or whose value is zero is missing.
bool Missing(const std::string& text) {
    return Blank(text) || NumericValue(text) == 0;
}

bool AmountIsNumber(const std::string& text) {
    return RegionalNumber(text).has_value();
}

// What makes a row unfit for the file, in the operator's words; empty for a sound row. A row with
// a name and an amount and nothing else is most likely the totals under the data.
std::string FaultOf(int sheet_row, const DataRow& row) {
    static const char* const kFields[] = {"שם", "מספר זהות", "קוד בנק", "מספר סניף", "מספר חשבון"};
    const bool name = !Blank(row.text[0]);
    const bool amount = AmountIsNumber(row.text[5]);
    std::vector<int> missing;
    std::string what;
    if (!name) {
        missing.push_back(0);
    }
    for (int c = 1; c <= 4; ++c) {
        if (Blank(row.text[c])) {
            missing.push_back(c);
        } else if (Missing(row.text[c])) {
            const std::string_view t = TrimmedView(row.text[c]);
            const bool zeros = t.find_first_not_of('0') == std::string_view::npos;
            what += std::string(what.empty() ? "" : "; ") + kFields[c] +
                    (zeros ? " הוא 0" : " אינו מספר (" + row.text[c] + ")");
        }
    }
    if (name && amount && missing.size() == 4) {
        return "שורה " + std::to_string(sheet_row) +
               ": נראית כשורת סיכום; סמן x בעמודה A בשורה שאחרי הנתונים";
    }
    std::string absent;
    for (int c : missing) {
        absent += (absent.empty() ? "חסר " : ", ") + std::string(kFields[c]);
    }
    what = absent + (!absent.empty() && !what.empty() ? "; " : "") + what;
    if (!amount) {
        what += std::string(what.empty() ? "" : "; ") +
                (Blank(row.text[5]) ? "חסר סכום" : "הסכום אינו מספר (" + row.text[5] + ")");
    }
    if (what.empty()) {
        return "";
    }
    return "שורה " + std::to_string(sheet_row) + (name ? " (" + row.text[0] + ")" : "") + ": " +
           what;
}

// A data cell holding a spreadsheet error cannot be read as text or number; the import refuses
// it before it changes anything.
Status NoErrorCells(const std::vector<DataRow>& rows) {
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (int c = 0; c < 6; ++c) {
            const CellValue& v = rows[i].cell[c];
            if (v.kind == CellKind::Error) {
                return Error{ErrorCode::BadInput,
                             "בתא " + sheet::CellName(static_cast<int>(i) + kFirstDataRow, c + 1) +
                                 " יש ערך שגיאה (" + v.text + "); יש לתקן את החוברת ולנסות שוב"};
            }
        }
    }
    return Ok();
}

Status WriteValue(sheet::Workbook& wb, int row, int col, const CellValue& v) {
    if (v.kind == CellKind::Number || v.kind == CellKind::Boolean) {
        return wb.WriteNumber(row, col, v.number);
    }
    return wb.WriteText(row, col, CellText(v));
}

// Columns B..E of one row: every cell that holds more than digits is cleaned, its old value kept
// beside it in I..L, both marked.
Status FixRow(sheet::Workbook& wb, int r, DataRow& row, int& typing_errors) {
    for (int c = 2; c <= 5; ++c) {
        const CellValue v = row.cell[c - 1];
        const std::string& text = row.text[c - 1];
        std::string digits = v.kind == CellKind::Number ? DigitsOnly(v.number) : DigitsOnly(text);
        if (digits == text) {
            continue;  // writing the same value back changes nothing
        }
        ZIVRON_TRY(wb.SetFill(r, c, kTypingFixColour));
        ZIVRON_TRY(WriteValue(wb, r, c + 7, v));
        ZIVRON_TRY(wb.SetFill(r, c + 7, kTypingFixColour));
        ++typing_errors;
        // The cleaned value keeps the cell's kind: a number stays a number.
        if (v.kind == CellKind::Number && !digits.empty()) {
            row.cell[c - 1] = CellValue::Num(NumericValue(digits));
        } else {
            row.cell[c - 1] = CellValue::Str(digits);
        }
        ZIVRON_TRY(WriteValue(wb, r, c, row.cell[c - 1]));
        row.text[c - 1] = CellText(row.cell[c - 1]);
    }
    return Ok();
}

// Why the first of the number fields cannot stand whole in the bank file; empty when all fit.
struct NumberField {
    const std::string& text;
    int width;
    const char* name;
};
std::string NotFitting(std::initializer_list<NumberField> fields) {
    for (const NumberField& f : fields) {
        if (!masav::FitField(f.text, f.width)) {
            return std::string(f.name) + " " + masav::WhyNotFit(f.text, f.width);
        }
    }
    return "";
}

Status FillAll(sheet::Workbook& wb, int r, int first_col, int last_col, sheet::Rgb colour) {
    for (int c = first_col; c <= last_col; ++c) {
        ZIVRON_TRY(wb.SetFill(r, c, colour));
    }
    return Ok();
}

// A row missing its name, bank, branch or account, or with an amount that is no number, is
// marked in the account colour where it falls short; `marked` tells whether it was.
Status MarkMissing(sheet::Workbook& wb, int r, const DataRow& row, std::vector<ImportMark>& marks,
                   bool& marked) {
    if (Blank(row.text[0])) {
        ZIVRON_TRY(wb.SetFill(r, 1, kInvalidAccountColour));
        marks.push_back({r, row.text[0], "שם", "חסר שם", ""});
        marked = true;
    }
    if (Missing(row.text[2]) || Missing(row.text[3]) || Missing(row.text[4])) {
        ZIVRON_TRY(FillAll(wb, r, 3, 5, kInvalidAccountColour));
        marks.push_back({r, row.text[0], "חשבון", "חסר קוד בנק, מספר סניף או מספר חשבון", ""});
        marked = true;
    }
    if (!AmountIsNumber(row.text[5])) {
        ZIVRON_TRY(wb.SetFill(r, 6, kInvalidAccountColour));
        marks.push_back({r, row.text[0], "סכום", "הסכום אינו מספר", ""});
        marked = true;
    }
    return Ok();
}

// The program's own fills of an earlier import taken off a row: the marks on A to F, and the
// typing fix's on the copies in I to L (their values stay). A fill of any other colour is the
// operator's.
Status ClearEarlierMarks(sheet::Workbook& wb, int r, bool& cleared) {
    for (int c : {1, 2, 3, 4, 5, 6, 9, 10, 11, 12}) {
        const std::optional<sheet::Rgb> fill = wb.FillOf(r, c);
        const bool ours = c <= 6 ? fill == kTypingFixColour || fill == kInvalidAccountColour ||
                                       fill == kInvalidIdColour || fill == kBranchWarningColour
                                 : fill == kTypingFixColour;
        if (ours) {
            ZIVRON_TRY(wb.ClearFill(r, c));
            cleared = true;
        }
    }
    return Ok();
}

// A row's account: missing fields, a failed check digit, or a value that cannot stand in its field
// whole (as wrong as a failed check digit) mark it.
Status MarkAccount(sheet::Workbook& wb, int r, const DataRow& row, RuleSet rules,
                   const MessageSink& bank_messages, const banks::Directory& lists,
                   ImportOutcome& out) {
    bool marked = false;
    ZIVRON_TRY(MarkMissing(wb, r, row, out.marks, marked));
    if (!marked) {
        CheckResult c =
            CheckAccountOf(rules, row.text[2], row.text[3], row.text[4], bank_messages, lists);
        if (c.valid) {
            c.reason = NotFitting({{row.text[2], 2, "קוד הבנק"},
                                   {row.text[3], 3, "מספר הסניף"},
                                   {row.text[4], 9, "מספר החשבון"}});
        }
        if (!c.reason.empty()) {
            ZIVRON_TRY(FillAll(wb, r, 3, 5, kInvalidAccountColour));
            out.marks.push_back({r, row.text[0], "חשבון", c.reason,
                                 BankAndBranchOf(row.text[2], row.text[3], lists)});
            marked = true;
        } else if (std::string why = BranchWarningOf(row.text[2], row.text[3], lists);
                   !why.empty()) {
            ZIVRON_TRY(wb.SetFill(r, 4, kBranchWarningColour));
            out.warnings.push_back({r, row.text[0], "סניף", std::move(why),
                                    BankAndBranchOf(row.text[2], row.text[3], lists)});
        }
    }
    out.invalid_accounts += marked ? 1 : 0;
    return Ok();
}

Status MarkIdentity(sheet::Workbook& wb, int r, const DataRow& row, ImportOutcome& out) {
    CheckResult c =
        Missing(row.text[1]) ? CheckResult{false, "חסר מספר זהות"} : CheckIdentity(row.text[1]);
    if (c.valid) {
        c.reason = NotFitting({{row.text[1], 9, "מספר הזהות"}});
    }
    if (!c.reason.empty()) {
        ZIVRON_TRY(wb.SetFill(r, 2, kInvalidIdColour));
        ++out.invalid_ids;
        out.marks.push_back({r, row.text[0], "זהות", c.reason, ""});
    }
    return Ok();
}

}  // namespace

Result<ImportOutcome> ImportWorkbook(sheet::Workbook& wb, const ImportOptions& options,
                                     const ImportProgress& progress,
                                     const MessageSink& bank_messages) {
    std::vector<DataRow> rows = ReadDataRows(wb);
    ZIVRON_TRY(NoErrorCells(rows));
    ImportOutcome out;
    auto report = [&](ImportPass pass, int r) {
        if (progress) {
            progress(pass, r, static_cast<int>(rows.size()),
                     rows[static_cast<std::size_t>(r - kFirstDataRow)].text[0]);
        }
    };
    const int last = kFirstDataRow + static_cast<int>(rows.size()) - 1;

    bool changed = false;
    // The marks of an earlier import go first, so a corrected cell does not stay marked; the
    // passes then mark what still fails.
    if (options.fix || options.mark_accounts || options.mark_ids) {
        for (int r = kFirstDataRow; r <= last; ++r) {
            ZIVRON_TRY(ClearEarlierMarks(wb, r, changed));
        }
    }

    if (options.fix) {
        for (int r = kFirstDataRow; r <= last; ++r) {
            ZIVRON_TRY(FixRow(wb, r, rows[static_cast<std::size_t>(r - kFirstDataRow)],
                              out.typing_errors));
            report(ImportPass::Fix, r);
        }
        changed = changed || out.typing_errors > 0;
    }
    // What is missing is judged on the cells as the typing fix left them.
    for (int r = kFirstDataRow; r <= last; ++r) {
        std::string fault = FaultOf(r, rows[static_cast<std::size_t>(r - kFirstDataRow)]);
        if (!fault.empty()) {
            out.faults.push_back({r, std::move(fault)});
        }
    }

    if (options.mark_accounts) {
        // One edition of the bank lists for the whole table, held while it is checked.
        const std::shared_ptr<const banks::Directory> lists = banks::Current();
        for (int r = kFirstDataRow; r <= last; ++r) {
            ZIVRON_TRY(MarkAccount(wb, r, rows[static_cast<std::size_t>(r - kFirstDataRow)],
                                   options.rules, bank_messages, *lists, out));
            report(ImportPass::Accounts, r);
        }
        changed = changed || out.invalid_accounts > 0 || !out.warnings.empty();
    }

    if (options.mark_ids) {
        for (int r = kFirstDataRow; r <= last; ++r) {
            ZIVRON_TRY(MarkIdentity(wb, r, rows[static_cast<std::size_t>(r - kFirstDataRow)], out));
            report(ImportPass::Ids, r);
        }
        changed = changed || out.invalid_ids > 0;
    }
    // One save for all the passes: the file is the one three saves would leave, and an import
    // stopped half way leaves the workbook as it was.
    if (changed) {
        ZIVRON_TRY(wb.Save());
    }

    const bool credit = options.panel == Panel::Credit;
    out.rows.reserve(rows.size());
    for (int r = kFirstDataRow; r <= last; ++r) {
        const DataRow& row = rows[static_cast<std::size_t>(r - kFirstDataRow)];
        report(ImportPass::Copy, r);
        double amount = AmountOf(row.text[5]);
        if (credit && std::isfinite(amount) && AmountIsNumber(row.text[5])) {
            (void)wb.WriteNumber(r, 6, amount);  // left unsaved, as the operator's copy shows it
        }
        out.rows.push_back({row.text[0], row.text[1], row.text[2], row.text[3], row.text[4],
                            credit ? NumberText(amount) : row.text[5]});
        out.total += amount;
        std::optional<long long> agorot = AgorotOf(amount);
        out.total_agorot =
            agorot && out.total_agorot ? std::optional(*out.total_agorot + *agorot) : std::nullopt;
    }
    return out;
}

}  // namespace zivron
