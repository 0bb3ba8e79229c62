// Workbooks other programs wrote, saved by the program and opened again by those programs:
// LibreOffice must show every cell the save did not write as it showed it before, and xlrd or
// openpyxl must open the copy. The fixtures and their script are in data/foreign.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "core/atomic_file.h"
#include "spreadsheet/inspection.h"
#include "spreadsheet/sheet_fixture.h"
#include "spreadsheet/workbook.h"
#include "support/process.h"

namespace zivron::sheet {
namespace {

struct Written {
    int row, col;
    std::string text;
    std::optional<Rgb> fill;
};

// The lines a reader printed, one fact each.
std::set<std::string> Lines(const std::string& facts) {
    std::set<std::string> out;
    std::istringstream in(facts);
    for (std::string line; std::getline(in, line);) {
        out.insert(line);
    }
    return out;
}

class ForeignWorkbookTest : public SpreadsheetTest {
  protected:
    std::string Foreign(const std::string& name) {
        return (fs::path(ZIVRON_TEST_DATA) / "foreign" / name).string();
    }
    std::string LibreOffice(const fs::path& p) {
        test::ProcessResult r =
            test::RunProcess(ZIVRON_PYTHON, {Foreign("read_with_libreoffice.py"), p.string()});
        EXPECT_EQ(r.exit_code, 0) << r.err;
        return r.out;
    }
    std::string OtherReader(const fs::path& p) {
        const bool xls = p.extension() == ".xls";
        test::ProcessResult r = test::RunProcess(
            ZIVRON_PYTHON, {std::string(ZIVRON_TEST_DATA) +
                                (xls ? "/xls/read_with_xlrd.py" : "/xlsx/read_with_openpyxl.py"),
                            p.string()});
        EXPECT_EQ(r.exit_code, 0) << p.filename() << ": " << r.err;
        return r.out;
    }
};

TEST_F(ForeignWorkbookTest, SavedCopiesOpenElsewhereAndChangeOnlyWhatWasWritten) {
    std::vector<Written> many;  // new strings enough to run over several CONTINUE records
    for (int r = 2; r <= 400; ++r) {
        many.push_back({r, 8, "סימון חדש " + std::to_string(r) + std::string(r % 13, '+'), {}});
    }
    many.push_back({2402, 1, "שורה חדשה", kCyanFill});
    struct Case {
        std::string file;
        std::string sheet;  // the active one, as LibreOffice names its export
        bool other_reader;  // openpyxl does not read Strict Open XML
        std::vector<Written> writes;
        std::map<std::string, CellValue> read;  // what the program reads there before the save
    };
    const CellValue december_9 = CellValue::Num(46365);  // the day number of 09/12/2026
    const std::vector<Case> cases = {
        {"long_strings.xls",
         "תשלומים",
         true,
         many,
         {{"A3", CellValue::Str("מקבל מספר 2")}, {"G2", CellValue::Str("note 1 note 1 ")}}},
        {"chart_and_hidden.xls",
         "נתונים",
         true,
         {{2, 1, "שם אחר", kRedFill}, {3, 7, "הערה", {}}, {45, 2, "שורה חדשה", kYellowFill}},
         {{"A3", CellValue::Str("שם 2")}, {"F41", CellValue::Num(410)}}},
        {"strict.xlsx",
         "נתונים",
         false,
         {{2, 1, "שם אחר", kRedFill}, {45, 2, "שורה חדשה", kYellowFill}},
         {{"A3", CellValue::Str("שם 2")}, {"F41", CellValue::Num(410)}}},
        {"iso_dates.xlsx",
         "תאריכים",
         true,
         {{2, 4, "מלא", kCyanFill}},
         {{"B2", december_9},
          {"B3", CellValue::Num(46418)},
          {"C2", CellValue{CellKind::Error, 0, "#N/A"}},
          {"C3", CellValue{CellKind::Error, 0, "#DIV/0!"}},
          {"D3", CellValue::Str("x")}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const fs::path p = dir_ / c.file;
        fs::copy_file(Foreign(c.file), p, fs::copy_options::overwrite_existing);
        std::set<std::string> before = Lines(LibreOffice(p));
        Workbook* wb = MustOpen(p);
        ASSERT_NE(wb, nullptr);
        for (const auto& [name, value] : c.read) {
            int row = 0, col = 0;
            ASSERT_TRUE(ParseCellName(name, row, col));
            EXPECT_EQ(wb->Read(row, col), value) << name;
        }
        for (const Written& w : c.writes) {
            ASSERT_TRUE(wb->WriteText(w.row, w.col, w.text).ok());
            if (w.fill) {
                ASSERT_TRUE(wb->SetFill(w.row, w.col, *w.fill).ok());
            }
        }
        Status saved = wb->Save();
        ASSERT_TRUE(saved.ok()) << saved.error().message;
        app_.Close(wb);

        Workbook* again = MustOpen(p);
        ASSERT_NE(again, nullptr);
        std::set<std::string> expected = before;
        for (const Written& w : c.writes) {
            EXPECT_EQ(again->Read(w.row, w.col), CellValue::Str(w.text));
            EXPECT_EQ(again->FillOf(w.row, w.col), w.fill);
            const std::string cell = c.sheet + "!" + CellName(w.row, w.col);
            std::erase_if(expected,
                          [&](const std::string& l) { return l.starts_with(cell + " "); });
            expected.insert(cell + " " + w.text);
        }
        EXPECT_EQ(Lines(LibreOffice(p)), expected);
        if (c.file == "strict.xlsx") {  // saved back in the namespaces it came with
            for (const auto& [name, data] : PartsOf(p)) {
                EXPECT_EQ(data.find("schemas.openxmlformats.org/spreadsheetml"), std::string::npos)
                    << name;
                EXPECT_EQ(data.find("schemas.openxmlformats.org/officeDocument/2006/relat"),
                          std::string::npos)
                    << name;
            }
        }
        if (c.other_reader) {
            const std::string other = OtherReader(p);
            const Written& last = c.writes.back();
            EXPECT_NE(other.find(CellName(last.row, last.col) + " "), std::string::npos) << other;
        }
    }
}

}  // namespace
}  // namespace zivron::sheet
