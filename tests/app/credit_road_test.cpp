// The credit road on real files: workbook in, marked workbook and msv.001 out.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "core/atomic_file.h"
#include "import/mark_colours.h"
#include "spreadsheet/inspection.h"
#include "support/process.h"
#include "support/road_fixture.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;
using sheet::CellValue;

class CreditRoadTest : public test::RoadTest {};

// A record's little-endian field; 0 past its end.
int U16(const std::string& s, std::size_t at) {
    return at + 2 > s.size()
               ? 0
               : static_cast<unsigned char>(s[at]) | static_cast<unsigned char>(s[at + 1]) << 8;
}

// An .xls's records as a patch must keep them: the offsets it recomputes (sheet positions, INDEX,
// DBCELL), the shared strings and their index, the extents (DIMENSIONS, a row's columns) and
// the palette set aside; formats after the first `xfs` and the cells at `edited` left out; runs
// of cells one cell a record. The other streams of the file follow, whole.
std::vector<std::string> KeptRecords(const fs::path& p, std::size_t xfs,
                                     const std::set<std::pair<int, int>>& edited) {
    std::vector<sheet::inspect::Stream> listed =
        sheet::inspect::StreamsOf(ReadWholeFile(p).value()).value();
    std::map<std::u16string, std::string> streams;
    for (sheet::inspect::Stream& s : listed) {
        streams[s.path] = std::move(s.bytes);
    }
    std::vector<std::string> out;
    std::optional<std::vector<sheet::inspect::Record>> recs;
    for (const auto& [name, bytes] : streams) {
        if (name == u"Workbook") {
            recs = sheet::inspect::RecordsOf(bytes);
        } else {
            out.push_back("stream " + std::to_string(name.size()) + ": " + bytes);
        }
    }
    EXPECT_TRUE(recs.has_value());
    std::size_t xf_seen = 0;
    bool in_sst = false;
    auto cell = [&](std::uint16_t type, int row, int col, std::string data) {
        if (edited.count({row + 1, col + 1}) == 0) {
            out.push_back(std::to_string(type) + ": " + data);
        }
    };
    for (sheet::inspect::Record& r : recs.value_or(std::vector<sheet::inspect::Record>{})) {
        in_sst = r.type == 0x00FC || (in_sst && r.type == 0x003C);
        if (in_sst || r.type == 0x020B || r.type == 0x00D7 || r.type == 0x00FF ||
            r.type == 0x0200 || r.type == 0x0092 || (r.type == 0x00E0 && ++xf_seen > xfs)) {
            continue;
        }
        if (r.type == 0x0085) {
            r.data.replace(0, 4, 4, '\0');
        } else if (r.type == 0x0208) {
            r.data.replace(2, 4, 4, '\0');
        }
        if (r.type == 0x00BD || r.type == 0x00BE) {  // MULRK, MULBLANK: one cell a record
            const std::size_t step = r.type == 0x00BD ? 6 : 2;
            int col = U16(r.data, 2);
            for (std::size_t at = 4; at + step + 2 <= r.data.size(); at += step, ++col) {
                cell(r.type == 0x00BD ? 0x027E : 0x0201, U16(r.data, 0), col,
                     r.data.substr(0, 2) + std::string(1, static_cast<char>(col & 0xFF)) +
                         std::string(1, static_cast<char>(col >> 8)) + r.data.substr(at, step));
            }
        } else if (r.type == 0x0203 || r.type == 0x027E || r.type == 0x00FD || r.type == 0x0204 ||
                   r.type == 0x0205 || r.type == 0x0201 || r.type == 0x0006) {
            cell(r.type, U16(r.data, 0), U16(r.data, 2), r.data);
        } else {
            out.push_back(std::to_string(r.type) + ": " + r.data);
        }
    }
    return out;
}

TEST_F(CreditRoadTest, ImportFixesMarksAndFillsTheTable) {
    fs::path book = WriteRoadWorkbook();
    Result<ImportSummary> imported = Import(Panel::Credit, book);
    ASSERT_TRUE(imported) << imported.error().message;
    const ImportSummary& s = imported.value();
    EXPECT_EQ(s.typing_errors, 2);
    EXPECT_EQ(s.invalid_accounts, 1);
    EXPECT_EQ(s.invalid_ids, 1);
    EXPECT_EQ(s.transactions, 4);
    EXPECT_EQ(s.total, "2584.42");
    EXPECT_EQ(Summary(Panel::Credit).total, "2584.42");
    EXPECT_FALSE(session_->panel(Panel::Collection).summary.has_value());
    ASSERT_FALSE(progress_.empty());
    EXPECT_EQ(progress_.back().payee, "O'Neil. Ltd");
    EXPECT_EQ(progress_.back().sheet_row, 5);  // the last data row reached
    EXPECT_FALSE(session_->importing());
    EXPECT_TRUE(port_.messages.empty());  // the outcome is the value; the window tells it

    const std::vector<masav::Row> expected = {
        {"ישראל ישראלי", "12345674", "12", "600", "100006", "1234.5"},
        {"שרה כהן", "18", "10", "936", "1002", "1250"},
        {"דוד לוי", "123456789", "12", "600", "100018", "99.9"},
        {"O'Neil. Ltd", "000000018", "20", "826", "10001", "0.015"},
    };
    EXPECT_EQ(TableRows(), expected);  // nothing after the end marker
    EXPECT_EQ(session_->table()->panel, Panel::Credit);
    EXPECT_EQ(session_->table()->workbook, book.string());

    // The saved workbook: cleaned cells, the typed values in I..L, the marks of each pass.
    sheet::SpreadsheetApp app({});
    sheet::Workbook& wb = *app.Open(book).value();
    EXPECT_EQ(wb.Read(2, 2), CellValue::Str("12345674"));
    EXPECT_EQ(wb.Read(2, 9), CellValue::Str("12-345-674"));
    EXPECT_EQ(wb.Read(5, 3), CellValue::Str("20"));
    EXPECT_EQ(wb.Read(5, 10), CellValue::Str("2 0"));
    EXPECT_EQ(wb.Read(2, 3), CellValue::Num(12));  // a clean number cell stays as it was
    EXPECT_EQ(wb.FillOf(2, 2), kTypingFixColour);
    EXPECT_EQ(wb.FillOf(2, 9), kTypingFixColour);
    EXPECT_EQ(wb.FillOf(5, 3), kTypingFixColour);
    for (int c = 3; c <= 5; ++c) {
        EXPECT_EQ(wb.FillOf(4, c), kInvalidAccountColour) << c;
    }
    EXPECT_EQ(wb.FillOf(4, 2), kInvalidIdColour);
    EXPECT_EQ(wb.FillOf(3, 2), std::nullopt);
    // The amounts are rewritten in the open copy only, after the last save.
    EXPECT_EQ(wb.Read(3, 6), CellValue::Str("1,250"));
    EXPECT_EQ(port_.opened, std::vector<fs::path>{book});
    EXPECT_GE(port_.yields, 1 + 4 + 4);
}

TEST_F(CreditRoadTest, BuildWritesTheFileItsCopyAndTheWorkbooks) {
    ASSERT_TRUE(Import(Panel::Credit, WriteRoadWorkbook()));
    ChooseInstitution();
    session_->panel(Panel::Credit).archive = {true, true};
    Result<BuildOutcome> built = Build(Panel::Credit);
    ASSERT_TRUE(built) << built.error().message;
    EXPECT_EQ(built.value().masav_file, drive_ / "ZIVRON/Shidur/msv.001");
    EXPECT_EQ(built.value().log_fate, ServiceLink::LogFate::Queued);  // nothing listens at :9
    EXPECT_TRUE(port_.messages.empty());
    const std::string expected = Data("masav/road_credit.001");
    EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value(), expected);
    EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON/Arhiv/Zikuyim/2026/12_2026/7_05_30_12.001").value(),
              expected);
    EXPECT_TRUE(fs::exists(
        drive_ / "ZIVRON/Arhiv/Zikuyim/2026/12_2026/mosad=12345678yom=7_shaa=05_30_12.xlsx"));
    EXPECT_TRUE(fs::exists(drive_ / "ZIVRON/Arhiv/Zikuyim/2026/Rikuz=2026mosad=12345678.xlsx"));
    EXPECT_EQ(port_.opened.back(), drive_ / "ZIVRON/Shidur");
    EXPECT_EQ(port_.busy_depth, 0);

    ASSERT_EQ(port_.requests.size(), 1u);
    EXPECT_EQ(port_.requests[0],
              "AdkenYomanPeilut.asp?MD=חשבון הדגמה&MD1=A1B2C3&RH=05:30:12&BA=07/12/2026&YI=4"
              "&TL1=עמותת הדגמה&Sah=2584.42&TL=זיכויים&FX=12345678&FX1=54321&MAIL=desk-7");
}

TEST_F(CreditRoadTest, LeumiGivesTheSameBytes) {
    ASSERT_TRUE(Import(Panel::Credit, WriteRoadWorkbook()));
    ChooseInstitution();
    session_->leumi = true;
    EXPECT_EQ(BuildRefusal(Panel::Credit), "");
    EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value(),
              Data("masav/road_credit.001"));
}

TEST_F(CreditRoadTest, RefusalsTouchNothing) {
    ASSERT_TRUE(WriteFileAtomically(drive_ / "old.txt", "").ok());
    fs::create_directories(drive_ / "ZIVRON/Shidur");
    ASSERT_TRUE(WriteFileAtomically(drive_ / "ZIVRON/Shidur/msv.001", "previous").ok());
    ASSERT_TRUE(Import(Panel::Credit, WriteRoadWorkbook()));
    const fs::path payers = WriteRoadWorkbook("payers.xlsx");
    struct Case {
        std::function<void(Session&)> edit;
        std::string refusal;
    };
    const std::vector<Case> cases = {
        {[](Session& s) { s.panel(Panel::Credit).institution_name = ""; }, "בחר מוסד"},
        {[](Session& s) { s.panel(Panel::Credit).summary.reset(); }, "מספר תנועות אפס"},
        {[](Session& s) { s.panel(Panel::Credit).summary->transactions = 0; }, "מספר תנועות אפס"},
        {[](Session& s) {
             s.panel(Panel::Credit).value_date = {{{"31"}, 0}, {{"02"}, 0}, {{"2026"}, 0}};
         },
         "תאריך הערך אינו תאריך תקין"},
        // Last: a collection import takes the one table, and the credit panel still shows 4.
        {[&payers](Session& s) { ASSERT_TRUE(s.Import(Panel::Collection, payers)); },
         "הטבלה מחזיקה את יבוא החיובים מהחוברת payers.xlsx (4 שורות); יש לקלוט את חוברת "
         "הזיכויים מחדש ואז ליצור את הקובץ"},
    };
    for (const Case& c : cases) {
        const std::optional<ImportSummary> summary = session_->panel(Panel::Credit).summary;
        ChooseInstitution();
        c.edit(*session_);
        port_.messages.clear();
        port_.requests.clear();
        EXPECT_EQ(BuildRefusal(Panel::Credit), c.refusal);
        EXPECT_TRUE(port_.messages.empty());
        EXPECT_TRUE(port_.requests.empty());
        EXPECT_EQ(port_.busy_depth, 0);
        EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value(), "previous");
        session_->panel(Panel::Credit).summary = summary;
    }
    EXPECT_EQ(Summary(Panel::Credit).transactions, 4);
}

// The same workbook marks differently under the two rule sets, each mark with its reason, and
// writes the same file.
TEST_F(CreditRoadTest, BothRuleSetsMarkWithReasonsAndWriteTheSameFile) {
    struct Case {
        bool current_rules;
        int invalid_accounts;
        std::vector<std::string> marks;
    };
    const std::vector<Case> cases = {
        {false,
         1,
         {"4 דוד לוי חשבון שארית 4 מותרת לבנק 12 רק בסניפים שברשימות (כללי מס\"ב הישנים)",
          "4 דוד לוי זהות ספרת ביקורת שגויה"}},
        {true, 0, {"4 דוד לוי זהות ספרת ביקורת שגויה"}},
    };
    for (const Case& c : cases) {
        session_ = std::make_unique<Session>(port_);
        session_->panel(Panel::Credit).import.current_rules = c.current_rules;
        ChooseInstitution();
        ASSERT_TRUE(Import(Panel::Credit, WriteRoadWorkbook()));
        EXPECT_EQ(Summary(Panel::Credit).invalid_accounts, c.invalid_accounts) << c.current_rules;
        std::vector<std::string> marks;
        for (const ImportMark& m : session_->table()->marks) {
            marks.push_back(std::to_string(m.sheet_row) + " " + m.name + " " + m.field + " " +
                            m.reason);
        }
        EXPECT_EQ(marks, c.marks);
        EXPECT_EQ(BuildRefusal(Panel::Credit), "");
        EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value(),
                  Data("masav/road_credit.001"));
    }
}

// A corrected account loses its old mark at the next import; the operator's own fills stay.
TEST_F(CreditRoadTest, MarksOfAnEarlierImportAreTakenBackWhenCorrected) {
    fs::path book = WriteRoadWorkbook();
    ASSERT_TRUE(Import(Panel::Credit, book));
    {
        sheet::SpreadsheetApp app({});
        sheet::Workbook& wb = *app.Open(book).value();
        ASSERT_EQ(wb.FillOf(4, 5), kInvalidAccountColour);
        ASSERT_TRUE(wb.WriteText(4, 5, "100006").ok());  // now valid at bank 12, branch 600
        ASSERT_TRUE(wb.SetFill(2, 3, sheet::Rgb{1, 2, 3}).ok());
        ASSERT_TRUE(wb.Save().ok());
    }
    ASSERT_TRUE(Import(Panel::Credit, book));
    EXPECT_EQ(Summary(Panel::Credit).invalid_accounts, 0);
    sheet::SpreadsheetApp app({});
    sheet::Workbook& wb = *app.Open(book).value();
    for (int c = 3; c <= 5; ++c) {
        EXPECT_EQ(wb.FillOf(4, c), std::nullopt) << c;
    }
    EXPECT_EQ(wb.FillOf(4, 2), kInvalidIdColour);  // still wrong, marked again
    EXPECT_EQ(wb.FillOf(2, 3), (sheet::Rgb{1, 2, 3}));
    // The identity number fixed at the first import is clean now: its copy as typed keeps its
    // value and loses its fill.
    EXPECT_EQ(wb.FillOf(2, 2), std::nullopt);
    EXPECT_EQ(wb.FillOf(2, 9), std::nullopt);
    EXPECT_EQ(wb.Read(2, 9), CellValue::Str("12-345-674"));
}

// Banks and branches by the Bank of Israel's list: a merged bank is an invalid account; a closed
// or unknown branch is a warning in its own lighter colour that holds no file back, shown in the
// review with the names, and taken off once the branch is corrected.
TEST_F(CreditRoadTest, BanksAndBranchesByTheList) {
    const fs::path book = dir_ / "banks.xlsx";
    struct Row {
        const char *name, *bank, *branch, *account;
    };
    const std::vector<Row> rows = {
        {"מוזג", "13", "1", "100006"},      // Union Bank, merged into 20
        {"סגור", "11", "188", "100005"},    // closed 21/11/2024, merged into 506
        {"לא ידוע", "20", "826", "10001"},  // not in the list
        {"תקין", "20", "461", "10006"},
    };
    auto write = [&](const std::vector<Row>& table) {
        sheet::SpreadsheetApp app({});
        const bool exists = fs::exists(book);
        sheet::Workbook& wb = exists ? *app.Open(book).value() : *app.Add();
        for (std::size_t i = 0; i < table.size(); ++i) {
            const int r = static_cast<int>(i) + 2;
            const char* cells[] = {table[i].name,   "000000018",      table[i].bank,
                                   table[i].branch, table[i].account, "10"};
            for (int c = 1; c <= 6; ++c) {
                ASSERT_TRUE(wb.WriteText(r, c, cells[c - 1]).ok());
            }
        }
        ASSERT_TRUE((exists ? wb.Save() : wb.SaveAs(book)).ok());
    };
    write(rows);
    ASSERT_TRUE(Import(Panel::Credit, book));
    const ImportedTable& t = *session_->table();
    ASSERT_EQ(t.marks.size(), 1u);
    EXPECT_EQ(t.marks[0].reason, "בנק 13 מוזג לבנק 20 בשנת 2022; יש לעדכן את פרטי החשבון");
    ASSERT_EQ(t.warnings.size(), 2u);
    EXPECT_EQ(t.warnings[0].reason, "סניף 188 נסגר ב-21/11/2024; מוזג לסניף 506");
    EXPECT_EQ(t.warnings[0].bank, "בנק דיסקונט לישראל בע\"מ / סניף 188 - הקניונים (ראשון לציון)");
    EXPECT_EQ(t.warnings[1].reason, "סניף 826 אינו ברשימת בנק ישראל");
    {
        sheet::SpreadsheetApp app({});
        sheet::Workbook& wb = *app.Open(book).value();
        EXPECT_EQ(wb.FillOf(2, 3), kInvalidAccountColour);
        EXPECT_EQ(wb.FillOf(3, 4), kBranchWarningColour);
        EXPECT_EQ(wb.FillOf(4, 4), kBranchWarningColour);
        EXPECT_EQ(wb.FillOf(5, 4), std::nullopt);
    }
    // The merged bank's row corrected: the warnings alone leave the file to be made, and say so.
    write({{"מוזג", "20", "461", "10006"}});
    ASSERT_TRUE(Import(Panel::Credit, book));
    ChooseInstitution();
    Result<FileReview> review = session_->Review(Panel::Credit);
    ASSERT_TRUE(review);
    EXPECT_FALSE(review.value().cancel_by_default);
    EXPECT_NE(review.value().Text().find("סניפים לבדיקה (אינם מעכבים את הקובץ): 2\n"),
              std::string::npos);
    EXPECT_EQ(BuildRefusal(Panel::Credit), "");
    // A corrected branch loses its mark at the next import; the other keeps it.
    write({{"מוזג", "20", "461", "10006"}, {"סגור", "20", "461", "10006"}});
    ASSERT_TRUE(Import(Panel::Credit, book));
    sheet::SpreadsheetApp app({});
    sheet::Workbook& wb = *app.Open(book).value();
    EXPECT_EQ(wb.FillOf(3, 4), std::nullopt);
    EXPECT_EQ(wb.FillOf(4, 4), kBranchWarningColour);
}

// An operator's .xls, saved by a spreadsheet application: its active sheet, its formula amounts
// as their cached results; it imports and builds exactly as its .xlsx twin does.
TEST_F(CreditRoadTest, AnOperatorsXlsImportsAsItsXlsxTwin) {
    std::vector<std::string> files;
    for (const char* twin : {"xls/operator.xls", "xls/operator.xlsx"}) {
        SCOPED_TRACE(twin);
        session_ = std::make_unique<Session>(port_);
        ChooseInstitution();
        ASSERT_TRUE(Import(Panel::Credit, CopyData(twin)));
        EXPECT_EQ(Summary(Panel::Credit).transactions, 3);  // December's three, not November's one
        EXPECT_EQ(Summary(Panel::Credit).total, "2199.95");
        EXPECT_EQ(TableRows()[1].name, "שרה כהן");
        EXPECT_EQ(TableRows()[1].amount, "1250");
        EXPECT_EQ(BuildRefusal(Panel::Credit), "");
        files.push_back(ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value());
    }
    EXPECT_EQ(files[0], files[1]);
}

// An .xls the import fixes and marks is saved as a patch: read by another program (xlrd), only
// the cells it changed differ; formats, formulas, merges, widths, the other sheet stay, and a run
// of numbers (MULRK) split by a mark keeps every value.
TEST_F(CreditRoadTest, AnXlsIsSavedInPlaceKeepingWhatItDidNotChange) {
    auto facts = [](const fs::path& p) {
        test::ProcessResult r = test::RunProcess(
            ZIVRON_PYTHON, {std::string(ZIVRON_TEST_DATA) + "/xls/read_with_xlrd.py", p.string()});
        EXPECT_EQ(r.exit_code, 0) << r.err;
        std::set<std::string> lines;
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);) {
            lines.insert(line);
        }
        return lines;
    };
    struct Case {
        const char* file;
        std::set<std::string> gone, added;
    };
    const std::vector<Case> cases = {
        {"xls/operator_faults.xls",
         {"cell תשלומים!B2 1 '12-345-674'", "cell תשלומים!I2 6 ''"},
         {"cell תשלומים!B2 1 '12345674'", "fill תשלומים!B2 80FFFF",
          "cell תשלומים!I2 1 '12-345-674'", "fill תשלומים!I2 80FFFF", "fill תשלומים!C3 FF8080",
          "fill תשלומים!D3 FF8080", "fill תשלומים!E3 FF8080", "fill תשלומים!B4 FFFF00",
          "fill תשלומים!D4 FFE6CC"}},  // a branch not in the Bank of Israel's list
        {"xls/operator_numbers.xls",
         {},
         {"fill מספרים!C3 FF8080", "fill מספרים!D3 FF8080", "fill מספרים!E3 FF8080"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const fs::path book = CopyData(c.file);
        const fs::path original = dir_ / "original.xls";
        fs::copy_file(book, original, fs::copy_options::overwrite_existing);
        const std::set<std::string> before = facts(book);
        session_ = std::make_unique<Session>(port_);
        ASSERT_TRUE(Import(Panel::Credit, book));
        const std::set<std::string> after = facts(book);
        std::set<std::string> gone, added;
        std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                            std::inserter(gone, gone.end()));
        std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                            std::inserter(added, added.end()));
        EXPECT_EQ(gone, c.gone);
        EXPECT_EQ(added, c.added);
        // Record by record, everything else is as it was.
        std::set<std::pair<int, int>> edited;
        for (const std::string& line : added) {
            int row = 0, col = 0;
            const std::size_t bang = line.find('!');
            ASSERT_TRUE(sheet::ParseCellName(line.substr(bang + 1, line.find(' ', bang) - bang - 1),
                                             row, col))
                << line;
            edited.insert({row, col});
        }
        const std::vector<std::string> kept = KeptRecords(original, SIZE_MAX, edited);
        std::size_t xfs = 0;
        for (const std::string& r : kept) {
            xfs += r.rfind("224: ", 0) == 0 ? 1 : 0;
        }
        const std::vector<std::string> now = KeptRecords(book, xfs, edited);
        ASSERT_EQ(now.size(), kept.size());
        for (std::size_t i = 0; i < kept.size(); ++i) {
            ASSERT_EQ(now[i], kept[i]) << "record " << i;
        }
        // Imported again: the account and identity marks stand; a cell fixed before holds
        // digits now, so its typing mark is taken back, and so is the fill of its old value
        // beside it (the value stays).
        ASSERT_TRUE(Import(Panel::Credit, book));
        EXPECT_EQ(Summary(Panel::Credit).invalid_accounts, 1);
        std::set<std::string> again = after;
        again.erase("fill תשלומים!B2 80FFFF");
        again.erase("fill תשלומים!I2 80FFFF");
        EXPECT_EQ(facts(book), again);
    }
}

TEST_F(CreditRoadTest, ABrokenImportLeavesTheTableAsItWas) {
    ASSERT_TRUE(Import(Panel::Credit, WriteRoadWorkbook()));
    const std::vector<masav::Row> rows = TableRows();
    const ImportSummary summary = Summary(Panel::Credit);

    fs::path broken = dir_ / "broken.xlsx";
    ASSERT_TRUE(WriteFileAtomically(broken, "not a workbook").ok());
    Result<ImportSummary> refused = Import(Panel::Credit, broken);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("אינו חוברת אקסל"), std::string::npos);
    EXPECT_EQ(TableRows(), rows);
    EXPECT_EQ(Summary(Panel::Credit).transactions, summary.transactions);
    EXPECT_EQ(Summary(Panel::Credit).total, summary.total);
    EXPECT_EQ(port_.busy_depth, 0);
    EXPECT_EQ(fs::current_path(), original_cwd_);
}

// The workbook is saved when, and only when, a pass changed it; each change alone is enough.
TEST_F(CreditRoadTest, SavedExactlyWhenAPassChangedIt) {
    struct Case {
        const char* what;
        std::array<const char*, 4> b_to_e;
        int changed_col;  // 0: the file stays byte for byte
        std::optional<sheet::Rgb> fill;
    };
    const std::vector<Case> cases = {
        {"nothing to change", {"18", "12", "600", "100006"}, 0, std::nullopt},
        {"one typing fix", {"18", "12", "6-00", "100006"}, 4, kTypingFixColour},
        {"one bad account", {"18", "12", "600", "100018"}, 5, kInvalidAccountColour},
        {"one bad identity number", {"17", "12", "600", "100006"}, 2, kInvalidIdColour},
        // A valid check digit in ten digits still cannot stand in the nine-digit field.
        {"an identity number of ten digits",
         {"1234567897", "12", "600", "100006"},
         2,
         kInvalidIdColour},
        {"an account of ten digits", {"18", "12", "600", "1000060000"}, 5, kInvalidAccountColour},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        sheet::SpreadsheetApp app({});
        sheet::Workbook& wb = *app.Add();
        (void)wb.WriteText(2, 1, "א");
        for (int col = 0; col < 4; ++col) {
            (void)wb.WriteText(2, col + 2, c.b_to_e[col]);
        }
        (void)wb.WriteText(2, 6, "7");
        fs::path p = dir_ / "one.xlsx";
        ASSERT_TRUE(wb.SaveAs(p).ok());
        const std::string before = ReadWholeFile(p).value();
        ASSERT_TRUE(Import(Panel::Credit, p));
        EXPECT_EQ(Summary(Panel::Credit).transactions, 1);
        if (c.changed_col == 0) {
            EXPECT_EQ(ReadWholeFile(p).value(), before);
            continue;
        }
        sheet::SpreadsheetApp reader({});
        Result<sheet::Workbook*> saved = reader.Open(p);
        ASSERT_TRUE(saved.ok());
        EXPECT_EQ(saved.value()->FillOf(2, c.changed_col), c.fill);
    }
}

// Every row before the end of the data is paid, or the build is refused naming it: the end is a
// blank row or an end marker in A, and nothing else; a faulty row is marked, counted and named.
TEST_F(CreditRoadTest, EveryRowIsPaidOrNamed) {
    using Cells = std::array<std::string, 6>;
    // `count` payees from row 2, a sound one a row unless `rows` gives it otherwise; `after`
    // follows the last.
    auto workbook = [this](int count, const std::map<int, Cells>& rows,
                           const std::vector<Cells>& after = {}) {
        sheet::SpreadsheetApp app({});
        sheet::Workbook& wb = *app.Add();
        auto put = [&wb](int r, const Cells& cells) {
            for (int c = 0; c < 6; ++c) {
                if (!cells[static_cast<std::size_t>(c)].empty()) {
                    (void)wb.WriteText(r, c + 1, cells[static_cast<std::size_t>(c)]);
                }
            }
        };
        for (int r = 2; r < 2 + count; ++r) {
            auto it = rows.find(r);
            put(r, it != rows.end() ? it->second
                                    : Cells{"מוטב " + std::to_string(r), "000000018", "12", "600",
                                            "100006", "10"});
        }
        for (std::size_t i = 0; i < after.size(); ++i) {
            put(2 + count + static_cast<int>(i), after[i]);
        }
        const fs::path p = dir_ / "payees.xlsx";
        EXPECT_TRUE(wb.SaveAs(p).ok());
        return p;
    };
    const Cells sound{"a", "18", "12", "600", "100006", "1"};
    struct Case {
        const char* what;
        std::function<fs::path()> book;
        bool fix;
        int count;
        std::string refusal;  // part of the build's refusal; empty when the file is made
    };
    auto rows = [&](int n, std::map<int, Cells> faulty, std::vector<Cells> after = {}) {
        return [&workbook, n, faulty, after] { return workbook(n, faulty, after); };
    };
    const std::vector<Case> cases = {
        {"star in row 2", rows(0, {}, {{"*", "18", "12", "600", "100006", "1"}}), true, 0,
         "מספר תנועות אפס"},
        {"X ends the data", rows(1, {}, {{"X", "18", "12", "600", "100006", "1"}, sound}), true, 1,
         ""},
        {"a blank row ends it", rows(1, {}, {{" ", "", "", "", "", ""}, sound}), true, 1, ""},
        {"bank 0", rows(2, {{3, {"b", "18", "0", "600", "100006", "1"}}}), true, 2,
         "שורה 3 (b): קוד בנק הוא 0"},
        {"branch 0", rows(1, {{2, {"a", "18", "12", "0", "100006", "1"}}}), true, 1,
         "שורה 2 (a): מספר סניף הוא 0"},
        {"empty name", rows(1, {{2, {"", "18", "12", "600", "100006", "1"}}}), true, 1,
         "שורה 2: חסר שם"},
        {"empty amount", rows(1, {{2, {"a", "18", "12", "600", "100006", ""}}}), true, 1,
         "שורה 2 (a): חסר סכום"},
        {"an apostrophe account in row 73 of 3,000, fixed",
         rows(3000, {{73, {"a", "18", "12", "600", "'958735", "1"}}}), true, 3000, ""},
        {"the same, not fixed", rows(3000, {{73, {"a", "18", "12", "600", "'958735", "1"}}}), false,
         3000, "שורה 73 (a): מספר חשבון אינו מספר ('958735)"},
        {"an empty identity in row 500", rows(3000, {{500, {"a", "", "12", "600", "100006", "1"}}}),
         true, 3000, "שורה 500 (a): חסר מספר זהות"},
        {"a totals row under the data", rows(3000, {}, {{"סה\"כ", "", "", "", "", "30000"}}), true,
         3001, "שורה 3002: נראית כשורת סיכום; סמן x בעמודה A בשורה שאחרי הנתונים"},
        {"eleven faulty rows: ten named, the rest counted",
         rows(12, {{2, {"a", "", "12", "600", "100006", "1"}},
                   {3, {"a", "", "12", "600", "100006", "1"}},
                   {4, {"a", "", "12", "600", "100006", "1"}},
                   {5, {"a", "", "12", "600", "100006", "1"}},
                   {6, {"a", "", "12", "600", "100006", "1"}},
                   {7, {"a", "", "12", "600", "100006", "1"}},
                   {8, {"a", "", "12", "600", "100006", "1"}},
                   {9, {"a", "", "12", "600", "100006", "1"}},
                   {10, {"a", "", "12", "600", "100006", "1"}},
                   {11, {"a", "", "12", "600", "100006", "1"}},
                   {12, {"a", "", "12", "600", "100006", "1"}}}),
         true, 12, "שורה 11 (a): חסר מספר זהות\nועוד 1 שורות"},
        {"10,500 payees", rows(10500, {}), true, 10500, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        session_ = std::make_unique<Session>(port_);
        session_->panel(Panel::Credit).import.fix_typing = c.fix;
        ASSERT_TRUE(Import(Panel::Credit, c.book()));
        EXPECT_EQ(Summary(Panel::Credit).transactions, c.count);
        ChooseInstitution();
        const std::string refusal = BuildRefusal(Panel::Credit);
        if (c.refusal.empty()) {
            ASSERT_EQ(refusal, "");
            // Read back by the command line's verifier: every payee is in the file.
            const test::ProcessResult verify = test::RunProcess(
                ZIVRON_CLI, {"verify", (drive_ / "ZIVRON/Shidur/msv.001").string()});
            EXPECT_EQ(verify.exit_code, 0) << verify.err;
            EXPECT_NE(verify.out.find("מספר תנועות: " + std::to_string(c.count) + "\n"),
                      std::string::npos);
        } else {
            EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal;
        }
    }
}

TEST_F(CreditRoadTest, AnUnreachableServiceDoesNotStopTheRun) {
    port_.service = "http://127.0.0.1:1";
    ASSERT_TRUE(Import(Panel::Credit, WriteRoadWorkbook()));
    ChooseInstitution();
    Result<BuildOutcome> built = Build(Panel::Credit);
    ASSERT_TRUE(built);
    EXPECT_EQ(built.value().log_fate, ServiceLink::LogFate::Queued);
    EXPECT_TRUE(fs::exists(drive_ / "ZIVRON/Shidur/msv.001"));
}

TEST_F(CreditRoadTest, AFolderThatCannotBeMadeIsAMessageNotASuccess) {
    fs::create_directories(drive_ / "ZIVRON/Arhiv");
    ASSERT_TRUE(WriteFileAtomically(drive_ / "ZIVRON/Arhiv/Zikuyim", "a file in the way").ok());
    ASSERT_TRUE(Import(Panel::Credit, WriteRoadWorkbook()));
    ChooseInstitution();
    EXPECT_NE(BuildRefusal(Panel::Credit).find("לא ניתן ליצור את התיקייה"), std::string::npos);
    EXPECT_FALSE(fs::exists(drive_ / "ZIVRON/Shidur/msv.001"));
    EXPECT_EQ(port_.busy_depth, 0);
}

}  // namespace
}  // namespace zivron
