#include "platform/spreadsheet/compound_writer.h"
#include "platform/spreadsheet/workbook.h"
#include "platform/spreadsheet/xls_reader.h"
#include "platform/spreadsheet/xls_records.h"

#include <gtest/gtest.h>

#include <functional>

#include <fstream>
#include <map>
#include <sstream>

#include "platform/atomic_file.h"
#include "platform/spreadsheet/zip_archive.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace zivron::sheet {
namespace {

// Fills as the import marks with, written and read back as any other.
constexpr zivron::sheet::Rgb kCyanFill{128, 255, 255};
constexpr zivron::sheet::Rgb kRedFill{255, 128, 128};
constexpr zivron::sheet::Rgb kYellowFill{255, 255, 0};

namespace fs = std::filesystem;

class SpreadsheetTest : public test::TempDirTest {
  protected:
    SpreadsheetApp app_{[this](const fs::path& p) { shown_.push_back(p); }};
    std::vector<fs::path> shown_;

    Workbook* MustOpen(const fs::path& p) {
        Result<Workbook*> wb = app_.Open(p);
        EXPECT_TRUE(wb.ok()) << (wb.ok() ? "" : wb.error().message);
        return wb.ok() ? wb.value() : nullptr;
    }
    // What openpyxl reads from the file, a fact a line.
    std::string ReadWithOpenpyxl(const fs::path& p) {
        auto r = test::RunProcess(
            ZIVRON_PYTHON,
            {std::string(ZIVRON_TEST_DATA) + "/xlsx/read_with_openpyxl.py", p.string()});
        EXPECT_EQ(r.exit_code, 0) << r.err;
        return r.out;
    }
    std::map<std::string, std::string> PartsOf(const fs::path& p) {
        std::map<std::string, std::string> out;
        auto parts = ReadZip(p);
        EXPECT_TRUE(parts.ok());
        if (parts.ok()) {
            for (auto& part : parts.value()) {
                out[part.name] = part.data;
            }
        }
        return out;
    }
};

bool Has(const std::string& facts, const std::string& line) {
    std::istringstream in(facts);
    for (std::string l; std::getline(in, l);) {
        if (l == line) {
            return true;
        }
    }
    return false;
}

TEST_F(SpreadsheetTest, NewWorkbookRoundTrip) {
    Workbook* wb = app_.Add();
    ASSERT_TRUE(wb->WriteText(1, 1, "007").ok());
    ASSERT_TRUE(wb->WriteText(1, 2, "שלום עולם").ok());
    ASSERT_TRUE(wb->WriteNumber(2, 1, 1234.5).ok());
    ASSERT_TRUE(wb->WriteNumber(2, 2, -0.25).ok());
    ASSERT_TRUE(wb->WriteNumber(2, 3, 1e20).ok());
    ASSERT_TRUE(wb->WriteText(3, 26, " spaced ").ok());
    ASSERT_TRUE(wb->WriteText(3, 27, std::string("ctl\x01", 4)).ok());
    ASSERT_TRUE(wb->WriteText(200, 6, "far").ok());
    ASSERT_TRUE(wb->SetFill(1, 1, kCyanFill).ok());
    ASSERT_TRUE(wb->SetFill(2, 1, kRedFill).ok());
    ASSERT_TRUE(wb->SetFill(5, 5, kYellowFill).ok());  // a cell with no value
    EXPECT_FALSE(wb->Save().ok());                     // no name yet
    fs::path p = dir_ / "new.xlsx";
    ASSERT_TRUE(wb->SaveAs(p).ok());
    EXPECT_EQ(wb->Path(), p);

    Workbook* back = MustOpen(p);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Read(1, 1), CellValue::Str("007"));
    EXPECT_EQ(back->Read(1, 2), CellValue::Str("שלום עולם"));
    EXPECT_EQ(back->Read(2, 1), CellValue::Num(1234.5));
    EXPECT_EQ(back->Read(2, 2), CellValue::Num(-0.25));
    EXPECT_EQ(back->Read(2, 3), CellValue::Num(1e20));
    EXPECT_EQ(back->Read(3, 26), CellValue::Str(" spaced "));
    EXPECT_EQ(back->Read(3, 27), CellValue::Str(std::string("ctl\x01", 4)));
    EXPECT_EQ(back->Read(200, 6), CellValue::Str("far"));
    EXPECT_EQ(back->Read(4, 4), CellValue::Empty());
    EXPECT_EQ(back->FillOf(1, 1), kCyanFill);
    EXPECT_EQ(back->FillOf(2, 1), kRedFill);
    EXPECT_EQ(back->FillOf(5, 5), kYellowFill);
    EXPECT_EQ(back->FillOf(1, 2), std::nullopt);

    std::string facts = ReadWithOpenpyxl(p);
    EXPECT_TRUE(Has(facts, "cell גיליון1!A1 s '007'")) << facts;
    EXPECT_TRUE(Has(facts, "cell גיליון1!A2 n 1234.5")) << facts;
    EXPECT_TRUE(Has(facts, "fill גיליון1!A1 FF80FFFF")) << facts;
    EXPECT_TRUE(Has(facts, "fill גיליון1!E5 FFFFFF00")) << facts;
    EXPECT_TRUE(Has(facts, "rtl גיליון1 True")) << facts;
}

TEST_F(SpreadsheetTest, AddedWorksheetIsFirstAndActive) {
    fs::path p = CopyData("xlsx/rich.xlsx");
    Workbook* wb = MustOpen(p);
    ASSERT_NE(wb, nullptr);
    ASSERT_TRUE(wb->AddWorksheet().ok());
    EXPECT_EQ(wb->Read(2, 1), CellValue::Empty());
    ASSERT_TRUE(wb->WriteText(1, 1, "חדש").ok());
    ASSERT_TRUE(wb->AddWorksheet().ok());
    ASSERT_TRUE(wb->WriteText(1, 1, "חדש יותר").ok());
    ASSERT_TRUE(wb->Save().ok());

    EXPECT_EQ(MustOpen(p)->Read(1, 1), CellValue::Str("חדש יותר"));
    std::string facts = ReadWithOpenpyxl(p);
    EXPECT_TRUE(Has(facts, "sheets: גיליון4,גיליון3,אחר,נתונים")) << facts;
    EXPECT_TRUE(Has(facts, "active: 0")) << facts;
    EXPECT_TRUE(Has(facts, "cell גיליון3!A1 s 'חדש'")) << facts;
    // A sheet-local name follows its sheet.
    EXPECT_TRUE(Has(facts, "name Local 'אחר'!$A$1 2")) << facts;
    EXPECT_TRUE(Has(facts, "cell נתונים!A2 s 'ישראל ישראלי'")) << facts;
}

TEST_F(SpreadsheetTest, ReadsAWorkbookOfAnotherProgram) {
    Workbook* wb = MustOpen(CopyData("xlsx/rich.xlsx"));
    ASSERT_NE(wb, nullptr);
    // The active sheet is the second one.
    EXPECT_EQ(wb->Read(1, 1), CellValue::Str("שם"));
    EXPECT_EQ(wb->Read(2, 2), CellValue::Str("012345674"));
    EXPECT_EQ(wb->Read(2, 3), CellValue::Num(12));
    EXPECT_EQ(wb->Read(3, 6), CellValue::Str("1,250"));
    EXPECT_EQ(wb->Read(4, 6), CellValue::Num(99.9));
    EXPECT_EQ(wb->FillOf(2, 1), (Rgb{0, 255, 0}));
    EXPECT_EQ(wb->Read(50, 50), CellValue::Empty());
}

TEST_F(SpreadsheetTest, CellKindsFormulasAndStrings) {
    Workbook* wb = MustOpen(CopyData("xlsx/handmade.xlsx"));
    ASSERT_NE(wb, nullptr);
    struct Case {
        int row, col;
        CellValue value;
    };
    const Case cases[] = {
        {1, 1, CellValue::Str("inline")},
        {1, 2, CellValue::Str("rich")},         // runs joined, phonetic hint left out
        {1, 3, {CellKind::Error, 0, "#REF!"}},  // a shared string index past the end
        {1, 4, CellValue::Str("tab\there")},
        {2, 1, CellValue::Num(2)},  // a formula reads as its cached result
        {2, 2, CellValue::Str("ab")},
        {2, 3, {CellKind::Boolean, 1, "TRUE"}},
        {2, 4, {CellKind::Error, 0, "#DIV/0!"}},
        {4, 1, CellValue::Num(8)},
        {6, 1, CellValue::Num(7)},  // a row and cells without addresses
        {6, 2, CellValue::Str("plain")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wb->Read(c.row, c.col), c.value) << c.row << "," << c.col;
    }
    EXPECT_EQ(CellText(wb->Read(2, 3)), "TRUE");
    EXPECT_EQ(CellText(wb->Read(2, 1)), "2");
}

TEST_F(SpreadsheetTest, EditInPlaceKeepsWhatItDidNotTouch) {
    fs::path p = CopyData("xlsx/rich.xlsx");
    const std::map<std::string, std::string> before = PartsOf(p);
    Workbook* wb = MustOpen(p);
    ASSERT_NE(wb, nullptr);
    ASSERT_TRUE(wb->WriteText(3, 2, "12345674").ok());
    ASSERT_TRUE(wb->WriteText(3, 9, "12-345-674").ok());
    ASSERT_TRUE(wb->SetFill(3, 2, kCyanFill).ok());
    ASSERT_TRUE(wb->SetFill(3, 9, kCyanFill).ok());
    ASSERT_TRUE(wb->SetFill(2, 1, kYellowFill).ok());  // over an existing fill
    ASSERT_TRUE(wb->WriteNumber(2, 6, 1234.5).ok());
    ASSERT_TRUE(wb->Save().ok());

    const std::map<std::string, std::string> after = PartsOf(p);
    ASSERT_EQ(before.size(), after.size());
    for (const auto& [name, data] : before) {
        ASSERT_EQ(after.count(name), 1u) << name;
        if (name != "xl/worksheets/sheet2.xml" && name != "xl/styles.xml") {
            EXPECT_EQ(after.at(name), data) << name << " changed";
        }
    }
    std::string facts = ReadWithOpenpyxl(p);
    for (const char* line :
         {"cell נתונים!B3 s '12345674'", "cell נתונים!I3 s '12-345-674'", "fill נתונים!B3 FF80FFFF",
          "fill נתונים!I3 FF80FFFF", "fill נתונים!A2 FFFFFF00", "format נתונים!F2 #,##0.00",
          "merged נתונים H1:J1", "width נתונים A 22.0", "comment נתונים!B3 הוקלד ידנית",
          "cell אחר!B1 f '=SUM(נתונים!F2:F4)'", "format אחר!A2 0.00%", "merged אחר A5:C6",
          "width אחר A 31.5", "name Amounts 'נתונים'!$F$2:$F$4 None", "active: 1",
          "rtl נתונים True"}) {
        EXPECT_TRUE(Has(facts, line)) << line << "\n" << facts;
    }
    Workbook* back = MustOpen(p);
    EXPECT_EQ(back->Read(3, 2), CellValue::Str("12345674"));
    EXPECT_EQ(back->Read(3, 1), CellValue::Str("שרה כהן"));
}

TEST_F(SpreadsheetTest, ReplacingFormulasDropsTheCalcChainAndUnsharesFormulas) {
    fs::path p = CopyData("xlsx/handmade.xlsx");
    Workbook* wb = MustOpen(p);
    ASSERT_NE(wb, nullptr);
    ASSERT_TRUE(wb->WriteNumber(3, 1, 42).ok());    // the master of a shared formula
    ASSERT_TRUE(wb->WriteNumber(2, 1, 2).ok());     // a formula whose value is the number written
    ASSERT_TRUE(wb->WriteNumber(2, 3, 1).ok());     // TRUE, stored as 1
    ASSERT_TRUE(wb->WriteText(2, 2, "ab").ok());    // a text formula whose value is the text
    ASSERT_TRUE(wb->SetFill(3, 1, kRedFill).ok());  // a workbook with no styles
    ASSERT_TRUE(wb->Save().ok());
    auto parts = PartsOf(p);
    EXPECT_EQ(parts.count("xl/calcChain.xml"), 0u);
    EXPECT_EQ(parts.at("xl/_rels/workbook.xml.rels").find("calcChain"), std::string::npos);
    EXPECT_EQ(parts.at("[Content_Types].xml").find("calcChain"), std::string::npos);
    EXPECT_EQ(parts.at("xl/worksheets/sheet1.xml").find("si=\"0\""), std::string::npos);
    EXPECT_EQ(parts.at("xl/worksheets/sheet1.xml").find("1+1"), std::string::npos);
    EXPECT_EQ(parts.at("xl/worksheets/sheet1.xml").find("&amp;\"b\""), std::string::npos);
    Workbook* back = MustOpen(p);
    EXPECT_EQ(back->Read(3, 1), CellValue::Num(42));
    EXPECT_EQ(back->Read(2, 3), CellValue::Num(1));
    EXPECT_EQ(back->Read(2, 2), CellValue::Str("ab"));
    EXPECT_EQ(back->Read(4, 1), CellValue::Num(8));  // dependents keep their values
    EXPECT_EQ(back->Read(5, 1), CellValue::Num(10));
    EXPECT_EQ(back->FillOf(3, 1), kRedFill);
}

TEST_F(SpreadsheetTest, BadInputGivesAClearErrorAndTouchesNothing) {
    fs::path text = dir_ / "text.xlsx";
    std::ofstream(text) << "name,id\n";
    fs::path empty = dir_ / "empty.xlsx";
    std::ofstream(empty).close();
    fs::path truncated = dir_ / "truncated.xlsx";
    {
        std::string rich = ReadWholeFile(fs::path(ZIVRON_TEST_DATA) / "xlsx/rich.xlsx").value();
        ASSERT_TRUE(WriteFileAtomically(truncated, rich.substr(0, rich.size() / 2)).ok());
    }
    fs::path damaged = dir_ / "damaged.xlsx";
    {
        // One byte of a part's deflated data changed: its inflated bytes fail the stored CRC.
        std::string sheet;
        for (int i = 0; i < 2000; ++i) {
            sheet += "<row r=\"" + std::to_string(i) + "\"/>";
        }
        std::string zip = WriteZip({{"xl/worksheets/sheet1.xml", sheet}}).value();
        zip[zip.size() / 3] = static_cast<char>(zip[zip.size() / 3] ^ 0x10);
        ASSERT_TRUE(WriteFileAtomically(damaged, zip).ok());
    }
    fs::path zip_magic_only = dir_ / "magic.xlsx";
    ASSERT_TRUE(WriteFileAtomically(zip_magic_only, std::string("PK\x03\x04garbage", 11)).ok());
    struct Case {
        fs::path path;
        const char* message_part;
    };
    const std::vector<Case> cases = {
        {text, "אינו חוברת אקסל"},
        {empty, "אינו חוברת אקסל"},
        {truncated, "אינו חוברת אקסל תקינה"},
        {zip_magic_only, "אינו חוברת אקסל תקינה"},
        {damaged, "damaged part xl/worksheets/sheet1.xml"},
        {CopyData("xlsx/not_a_workbook.xlsx"), "אינו חוברת אקסל"},
        {CopyData("xlsx/no_active_sheet.xlsx"), "לא נמצא הגיליון הפעיל"},
        {CopyData("xlsx/missing_sheet_part.xlsx"), "לא נמצא הגיליון הפעיל"},
        {CopyData("xlsx/entities.xlsx"), "DTD"},
        {dir_ / "no-such.xlsx", "לא ניתן לפתוח את הקובץ"},
        // Found by the fuzzer: FreeXL overruns a buffer on this one, and loses memory on the next.
        {CopyData("xlsx/freexl_overflow.xls"), "קובץ xls פגום"},
        {CopyData("xlsx/freexl_leak.xls"), "לא ניתן לקרוא את החוברת"},
        {dir_, "לא ניתן לפתוח את הקובץ"},
    };
    for (const Case& c : cases) {
        std::string before = fs::is_regular_file(c.path) ? ReadWholeFile(c.path).value() : "";
        Result<Workbook*> wb = app_.Open(c.path);
        ASSERT_FALSE(wb.ok()) << c.path;
        EXPECT_NE(wb.error().message.find(c.message_part), std::string::npos)
            << c.path << ": " << wb.error().message;
        if (fs::is_regular_file(c.path)) {
            EXPECT_EQ(ReadWholeFile(c.path).value(), before);
        }
    }
}

TEST_F(SpreadsheetTest, AMillionRowsIsAClearMessageOrAResult) {
    auto sheet_with = [](const std::string& row_xml_pattern) {
        std::string xml =
            "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
            "<sheetData>";
        for (int r = 1; r <= kMaxRows; ++r) {
            std::string row = row_xml_pattern;
            for (std::size_t at; (at = row.find("#")) != std::string::npos;) {
                row.replace(at, 1, std::to_string(r));
            }
            xml += row;
        }
        return xml + "</sheetData></worksheet>";
    };
    auto workbook_with = [&](const fs::path& p, const std::string& sheet) {
        auto parts = ReadZip(fs::path(ZIVRON_TEST_DATA) / "xlsx/handmade.xlsx").value();
        for (auto& part : parts) {
            if (part.name == "xl/worksheets/sheet1.xml") {
                part.data = sheet;
            }
        }
        ASSERT_TRUE(WriteFileAtomically(p, WriteZip(parts).value()).ok());
    };
    fs::path bare = dir_ / "bare.xlsx";
    workbook_with(bare, sheet_with("<row r=\"#\"/>"));
    Workbook* wb = MustOpen(bare);
    ASSERT_NE(wb, nullptr);
    EXPECT_EQ(wb->Read(kMaxRows, 1), CellValue::Empty());
    // Twenty megabytes of rows are written a piece at a time; the read back checks the sum.
    ASSERT_TRUE(wb->WriteText(1, 1, "ראשון").ok());
    ASSERT_TRUE(wb->WriteText(kMaxRows, 2, "אחרון").ok());
    ASSERT_TRUE(wb->Save().ok());
    Workbook* back = MustOpen(bare);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Read(1, 1), CellValue::Str("ראשון"));
    EXPECT_EQ(back->Read(kMaxRows, 2), CellValue::Str("אחרון"));
    EXPECT_EQ(back->LastRow(), kMaxRows);

    fs::path full = dir_ / "full.xlsx";
    workbook_with(
        full, sheet_with("<row r=\"#\"><c r=\"A#\"><v>#</v></c><c r=\"B#\"><v>#</v></c></row>"));
    Result<Workbook*> big = app_.Open(full);
    ASSERT_FALSE(big.ok());
    EXPECT_NE(big.error().message.find("גדול מדי"), std::string::npos) << big.error().message;
}

TEST_F(SpreadsheetTest, AFailedSaveLeavesThePreviousFileWhole) {
    fs::path p = CopyData("xlsx/rich.xlsx");
    const std::string before = ReadWholeFile(p).value();
    Workbook* wb = MustOpen(p);
    ASSERT_NE(wb, nullptr);
    ASSERT_TRUE(wb->WriteText(2, 1, "x").ok());
    Status to_folder = wb->SaveAs(dir_);  // a path that is a folder
    EXPECT_FALSE(to_folder.ok());
    Status missing = wb->SaveAs(dir_ / "no" / "such" / "out.xlsx");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().message.find("לא ניתן לכתוב את הקובץ"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(p).value(), before);
    EXPECT_EQ(wb->Path(), p);  // a failed save-as keeps the old name
}

TEST_F(SpreadsheetTest, CellsOutsideTheSheetAndOverlongTextsAreRefused) {
    Workbook* wb = app_.Add();
    EXPECT_FALSE(wb->WriteText(0, 1, "a").ok());
    EXPECT_FALSE(wb->WriteNumber(1, kMaxCols + 1, 1).ok());
    EXPECT_FALSE(wb->SetFill(kMaxRows + 1, 1, kYellowFill).ok());
    EXPECT_FALSE(wb->WriteText(1, 1, std::string(32768, 'a')).ok());
    EXPECT_TRUE(wb->WriteText(1, 1, std::string(32767, 'a')).ok());
    EXPECT_FALSE(wb->WriteNumber(1, 2, std::numeric_limits<double>::infinity()).ok());
    EXPECT_EQ(wb->Read(0, 0), CellValue::Empty());
}

// A sheet that grows below its last row, stored with the rows before it apart: opened from the
// last row, written, saved twice, it reads back as the same sheet written whole, by us and by
// openpyxl. A stored field that does not add up opens the workbook whole.
TEST_F(SpreadsheetTest, RowsKeptApartComeBackAsTheWholeSheet) {
    auto write_run = [](Workbook& wb, int first, int n) {
        for (int r = first; r < first + n; ++r) {
            ASSERT_TRUE(wb.WriteText(r, 1, "שם " + std::to_string(r)).ok());
            ASSERT_TRUE(wb.WriteText(r, 2, "00" + std::to_string(r)).ok());
            ASSERT_TRUE(wb.WriteNumber(r, 3, r * 1.25).ok());
            ASSERT_TRUE(wb.WriteDate(r, 4, 2026, 12, 7).ok());
        }
        ASSERT_TRUE(wb.WriteText(first + n, 1, "*").ok());
    };
    const fs::path apart = dir_ / "apart.xlsx";
    const fs::path whole = dir_ / "whole.xlsx";
    Workbook* all = app_.Add();
    write_run(*all, 1, 300);
    write_run(*all, 301, 40);
    write_run(*all, 341, 7);
    ASSERT_TRUE(all->SaveAs(whole).ok());

    Workbook* first = app_.Add();
    write_run(*first, 1, 300);
    first->KeepLastRowApart();
    ASSERT_TRUE(first->SaveAs(apart).ok());
    for (auto [at, n] : {std::pair{301, 40}, std::pair{341, 7}}) {
        Workbook* wb = app_.Open(apart, OpenMode::FromLastRow).value();
        ASSERT_EQ(wb->FirstRow(), at);
        EXPECT_EQ(wb->Read(1, 1).kind, CellKind::Error);
        EXPECT_FALSE(wb->WriteText(at - 1, 1, "x").ok());
        EXPECT_FALSE(wb->AddWorksheet().ok());
        EXPECT_EQ(wb->Read(at, 1), CellValue::Str("*"));
        write_run(*wb, at, n);
        ASSERT_TRUE(wb->Save().ok());
    }
    Workbook* back = MustOpen(apart);
    Workbook* expected = MustOpen(whole);
    ASSERT_TRUE(back && expected);
    ASSERT_EQ(back->LastRow(), 348);
    for (int r = 1; r <= 348; ++r) {
        for (int c = 1; c <= 4; ++c) {
            ASSERT_EQ(back->Read(r, c), expected->Read(r, c)) << r << "," << c;
        }
    }
    const std::string facts = ReadWithOpenpyxl(apart);
    EXPECT_TRUE(Has(facts, "format גיליון1!D347 mm-dd-yy")) << facts.substr(0, 400);
    EXPECT_EQ(facts, ReadWithOpenpyxl(whole));

    // The field in the local header and the directory alike.
    const std::string stored = ReadWholeFile(apart).value();
    const std::string field("\x76\x7A\x15\x00\x01", 5);
    struct Tamper {
        const char* what;
        std::size_t offset;  // from the field's start
        char value;
    };
    for (const Tamper& t : {Tamper{"version", 4, 2}, Tamper{"head deflated", 5, 1},
                            Tamper{"middle inflated", 17, 0x7F}, Tamper{"middle crc", 21, 0}}) {
        std::string bytes = stored;
        for (std::size_t at = bytes.find(field); at != std::string::npos;
             at = bytes.find(field, at + 1)) {
            bytes[at + t.offset] = t.value;
        }
        const fs::path p = dir_ / "tampered.xlsx";
        ASSERT_TRUE(WriteFileAtomically(p, bytes).ok());
        Result<Workbook*> wb = app_.Open(p, OpenMode::FromLastRow);
        ASSERT_TRUE(wb.ok()) << t.what << ": " << wb.error().message;
        EXPECT_EQ(wb.value()->FirstRow(), 1) << t.what;
        EXPECT_EQ(wb.value()->Read(2, 1), CellValue::Str("שם 2")) << t.what;
    }

    // A middle of megabytes that hardly shrink, deflated past the compressor's first buffer.
    std::string big(3u << 20, '\0');
    std::uint32_t seed = 12345;
    for (char& ch : big) {
        seed = seed * 1103515245u + 12345u;
        ch = static_cast<char>(seed >> 24);
    }
    const fs::path zip = dir_ / "big.zip";
    ASSERT_TRUE(
        WriteFileAtomically(zip, WriteZip({{"p.xml", big, PartPieces{3, 4, {}}}}).value()).ok());
    EXPECT_EQ(ReadZip(zip).value()[0].data, big);
    const ZipPart apart_part = ReadZip(zip, {}, true).value()[0];
    EXPECT_EQ(apart_part.data, big.substr(0, 3) + big.substr(big.size() - 4));
    EXPECT_EQ(apart_part.pieces->kept.size, big.size() - 7);
}

TEST_F(SpreadsheetTest, XlsIsReadAndSavedInPlaceWithEverySheet) {
    fs::path p = CopyData("xlsx/sample.xls");
    Workbook* wb = MustOpen(p);
    ASSERT_NE(wb, nullptr);
    EXPECT_EQ(wb->Read(1, 1), CellValue::Str("שם"));
    EXPECT_EQ(wb->Read(2, 1), CellValue::Str("ישראל ישראלי"));
    EXPECT_EQ(wb->Read(2, 2), CellValue::Str("012345674"));
    EXPECT_EQ(wb->Read(2, 3), CellValue::Num(12));
    EXPECT_EQ(wb->Read(2, 6), CellValue::Num(1234.5));
    EXPECT_EQ(wb->Read(3, 6), CellValue::Str("1,250"));
    ASSERT_TRUE(wb->WriteText(2, 2, "12345674").ok());
    ASSERT_TRUE(wb->WriteText(2, 9, "012-345674").ok());
    ASSERT_TRUE(wb->SetFill(2, 2, kCyanFill).ok());
    // Past the format's 65,536 rows and 256 columns a cell would be written over one of the
    // first: refused, with the cell named.
    const Status past_rows = wb->WriteText(65537, 1, "x");
    ASSERT_FALSE(past_rows.ok());
    EXPECT_EQ(past_rows.error().message, "התא A65537 מחוץ לגבולות גיליון xls");
    EXPECT_FALSE(wb->WriteNumber(1, 257, 1).ok());
    EXPECT_FALSE(wb->SetFill(65537, 2, kCyanFill).ok());
    ASSERT_TRUE(wb->Save().ok());
    // Values written as the cells hold them change nothing the file holds, as for .xlsx.
    const std::string before =
        ReadWholeFile(fs::path(ZIVRON_TEST_DATA) / "xlsx/sample.xls").value();
    const fs::path same = dir_ / "same.xls";
    const fs::path copy = dir_ / "copy.xls";
    ASSERT_TRUE(WriteFileAtomically(same, before).ok());
    ASSERT_TRUE(WriteFileAtomically(copy, before).ok());
    for (const fs::path& q : {same, copy}) {
        SpreadsheetApp one({});
        Workbook* w = one.Open(q).value();
        if (q == same) {
            ASSERT_TRUE(w->WriteText(2, 1, "ישראל ישראלי").ok());
            ASSERT_TRUE(w->WriteNumber(2, 6, 1234.5).ok());
        }
        ASSERT_TRUE(w->SetFill(2, 1, kCyanFill).ok());
        ASSERT_TRUE(w->Save().ok());
    }
    EXPECT_EQ(ReadWholeFile(same).value(), ReadWholeFile(copy).value());
    // A format other than its own is refused, and nothing is written for it.
    Status other = wb->SaveAs(dir_ / "copy.xlsx");
    ASSERT_FALSE(other.ok());
    EXPECT_EQ(other.error().code, ErrorCode::Unsupported);
    EXPECT_FALSE(fs::exists(dir_ / "copy.xlsx"));

    SpreadsheetApp again({});
    Workbook* back = again.Open(p).value();
    EXPECT_EQ(back->Read(2, 2), CellValue::Str("12345674"));
    EXPECT_EQ(back->Read(2, 9), CellValue::Str("012-345674"));

    // A workbook with macros: saved in place, its macro storage comes back whole, and another
    // program reads the file.
    auto streams = CompoundStreams(ReadWholeFile(p).value()).value();
    const std::pair<std::u16string, std::string> macros[] = {
        {u"_VBA_PROJECT_CUR/VBA/dir", std::string(300, 'm')},
        {u"_VBA_PROJECT_CUR/VBA/Module1", std::string(6000, 'n')},
        {u"_VBA_PROJECT_CUR/PROJECT", "ID=\"{00000000}\""}};
    streams.insert(streams.end(), std::begin(macros), std::end(macros));
    const fs::path with_macros = dir_ / "macros.xls";
    ASSERT_TRUE(WriteFileAtomically(with_macros, CompoundOf(streams)).ok());
    Workbook* m = MustOpen(with_macros);
    ASSERT_NE(m, nullptr);
    ASSERT_TRUE(m->WriteText(3, 9, "טקסט").ok());
    ASSERT_TRUE(m->Save().ok());
    auto saved = CompoundStreams(ReadWholeFile(with_macros).value()).value();
    for (const auto& macro : macros) {
        EXPECT_NE(std::find(saved.begin(), saved.end(), macro), saved.end());
    }
    test::ProcessResult xlrd = test::RunProcess(
        ZIVRON_PYTHON,
        {std::string(ZIVRON_TEST_DATA) + "/xls/read_with_xlrd.py", with_macros.string()});
    EXPECT_EQ(xlrd.exit_code, 0) << xlrd.err;
    EXPECT_NE(xlrd.out.find("!I3 1 'טקסט'"), std::string::npos) << xlrd.out;
    EXPECT_EQ(back->Read(2, 9), CellValue::Str("012-345674"));
    EXPECT_EQ(back->Read(3, 1), CellValue::Str("שרה כהן"));
    EXPECT_EQ(back->Read(2, 6), CellValue::Num(1234.5));

    // A sheet without a cell gets its first one where cells belong, not after the sheet's end.
    XlsSheet blank;
    blank.name = "ריק";
    const fs::path empty = dir_ / "empty.xls";
    ASSERT_TRUE(WriteFileAtomically(empty, WriteXls({blank}).value()).ok());
    Workbook* e = MustOpen(empty);
    ASSERT_NE(e, nullptr);
    ASSERT_TRUE(e->WriteText(1, 1, "ראשון").ok());
    ASSERT_TRUE(e->Save().ok());
    EXPECT_EQ(again.Open(empty).value()->Read(1, 1), CellValue::Str("ראשון"));
}

// Broken and locked .xls files: each a clear message, nothing read half.
TEST_F(SpreadsheetTest, DamagedXlsFilesAreRefusedWithAMessage) {
    XlsSheet sheet;
    sheet.name = "א";
    sheet.cells[{1, 1}] = CellValue::Str("טקסט");
    sheet.cells[{1, 2}] = CellValue::Num(5);
    const std::string good = WriteXls({sheet}).value();
    const std::string stream = CompoundStream(good, u"Workbook").value();
    ASSERT_TRUE(ReadXls(good).ok());
    auto record_at = [&](const std::string& s, std::uint16_t type) {
        for (std::size_t at = 0; at + 4 <= s.size();) {
            const std::uint16_t t = static_cast<unsigned char>(s[at]) | (s[at + 1] & 0xFF) << 8;
            if (t == type) {
                return at;
            }
            at += 4 + (static_cast<unsigned char>(s[at + 2]) | (s[at + 3] & 0xFF) << 8);
        }
        return std::string::npos;
    };
    struct Case {
        const char* what;
        std::function<std::string()> file;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"cut in half", [&] { return good.substr(0, good.size() / 2); }, "קובץ xls פגום"},
        {"not a compound document", [] { return std::string(4096, 'x'); }, "אינו מסמך מורכב"},
        {"locked with a password",
         [&] {
             std::string s = stream;
             s.insert(record_at(s, 0x0809) + 4 + 16, std::string("\x2F\x00\x00\x00", 4));
             return CompoundFile(s);
         },
         "מוגנת בסיסמה"},
        {"more strings counted than there are",
         [&] {
             // A spreadsheet application's workbook, whose texts are in the shared table.
             std::string s =
                 CompoundStream(ReadWholeFile(CopyData("xls/operator.xls")).value(), u"Workbook")
                     .value();
             s[record_at(s, 0x00FC) + 8 + 1] = 0x7F;
             return CompoundFile(s);
         },
         "פחות טקסטים"},
        {"a cycle in the allocation table",
         [&] {
             // Past the mini stream's size, so the stream's chain starts at sector 0.
             std::string f = CompoundFile(stream + std::string(5000, '\0'));
             const std::size_t fat = 512 + 512 * std::size_t{biff::U32(f, 0x4C)};
             f.replace(fat, 4, std::string(4, '\0'));  // sector 0 goes on to sector 0
             return f;
         },
         "מעגלית"},
        {"a sheet outside the stream",
         [&] {
             std::string s = stream;
             s[record_at(s, 0x0085) + 7] = 0x7F;
             return CompoundFile(s);
         },
         "גיליון מחוץ לזרם"},
        {"a record longer than its stream",
         [&] {
             std::string s = stream;
             const std::size_t bs = record_at(s, 0x0085) + 4;
             const std::size_t sheet =
                 static_cast<unsigned char>(s[bs]) | static_cast<unsigned char>(s[bs + 1]) << 8;
             s[sheet + 2] = '\xFF';  // the sheet's first record claims 64 KB
             s[sheet + 3] = '\xFF';
             return CompoundFile(s);
         },
         "רשומה ארוכה מהזרם"},
        {"a chart sheet active",
         [&] {
             std::string s = stream;
             s[record_at(s, 0x0085) + 4 + 5] = 0x02;
             return CompoundFile(s);
         },
         "אינו גיליון נתונים"},
    };
    for (const Case& c : cases) {
        Result<XlsBook> book = ReadXls(c.file());
        ASSERT_FALSE(book.ok()) << c.what;
        if (book.ok()) {
            continue;
        }
        EXPECT_NE(book.error().message.find(c.message), std::string::npos)
            << c.what << ": " << book.error().message;
    }
}

TEST_F(SpreadsheetTest, NewXlsFilesHoldTextsNumbersAndFills) {
    Workbook* wb = app_.Add();
    ASSERT_TRUE(wb->AddWorksheet().ok());
    ASSERT_TRUE(wb->WriteText(1, 1, "לקוח").ok());
    ASSERT_TRUE(wb->WriteText(2, 2, "012345674").ok());
    ASSERT_TRUE(wb->WriteNumber(2, 6, 12345.67).ok());
    ASSERT_TRUE(wb->SetFill(2, 2, kCyanFill).ok());
    ASSERT_TRUE(wb->SetFill(3, 3, kYellowFill).ok());
    fs::path p = dir_ / "Hamara.xls";
    ASSERT_TRUE(wb->SaveAs(p).ok());
    EXPECT_EQ(ReadWholeFile(p).value().substr(0, 8),
              std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    Workbook* back = MustOpen(p);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Read(1, 1), CellValue::Str("לקוח"));
    EXPECT_EQ(back->Read(2, 2), CellValue::Str("012345674"));
    EXPECT_EQ(back->Read(2, 6), CellValue::Num(12345.67));
    EXPECT_EQ(back->Read(3, 3), CellValue::Empty());
    // A save in place keeps the format the name gave it.
    ASSERT_TRUE(wb->WriteText(4, 1, "עוד").ok());
    ASSERT_TRUE(wb->Save().ok());
    SpreadsheetApp again({});
    EXPECT_EQ(again.Open(p).value()->Read(4, 1), CellValue::Str("עוד"));

    // Texts up to the format's limit run over CONTINUE records of the shared table; rows go in
    // blocks of 32; another program reads it all.
    std::string hebrew;
    for (int i = 0; i < 5000; ++i) {
        hebrew += "ש";
    }
    const std::vector<std::pair<int, std::string>> texts = {
        {5, std::string(300, 'x')}, {6, hebrew}, {7, std::string(32767, 'y')}, {8, "לקוח"}};
    for (const auto& [row, text] : texts) {
        ASSERT_TRUE(wb->WriteText(row, 1, text).ok());
    }
    for (int row = 10; row < 110; ++row) {
        ASSERT_TRUE(wb->WriteNumber(row, 2, row).ok());
    }
    ASSERT_TRUE(wb->Save().ok());
    SpreadsheetApp third({});
    Workbook* long_back = third.Open(p).value();
    for (const auto& [row, text] : texts) {
        EXPECT_EQ(long_back->Read(row, 1), CellValue::Str(text)) << row;
    }
    EXPECT_EQ(long_back->Read(109, 2), CellValue::Num(109));
    test::ProcessResult xlrd = test::RunProcess(
        ZIVRON_PYTHON, {std::string(ZIVRON_TEST_DATA) + "/xls/read_with_xlrd.py", p.string()});
    ASSERT_EQ(xlrd.exit_code, 0) << xlrd.err;
    EXPECT_TRUE(Has(xlrd.out, "cell גיליון1!A7 1 '" + std::string(32767, 'y') + "'"));
    EXPECT_TRUE(Has(xlrd.out, "cell גיליון1!B109 2 109.0"));
    EXPECT_TRUE(Has(xlrd.out, "fill גיליון1!C3 FFFF00"));
    EXPECT_TRUE(Has(xlrd.out, "active: גיליון1"));

    // Excel's order: the globals end in SST, CONTINUE, EXTSST, EOF; a sheet is BOF, INDEX,
    // DIMENSIONS, rows and their DBCELLs, WINDOW2, EOF; nothing after the last EOF. Every
    // offset lands on the record it names.
    const std::string stream = CompoundStream(ReadWholeFile(p).value(), u"Workbook").value();
    std::vector<std::pair<std::uint16_t, std::size_t>> recs;  // type, position
    for (std::size_t at = 0; at + 4 <= stream.size();) {
        recs.emplace_back(biff::U16(stream, at), at);
        at += 4 + biff::U16(stream, at + 2);
        ASSERT_LE(at, stream.size());
    }
    auto type_at = [&](std::size_t pos) {
        for (const auto& [t, at] : recs) {
            if (at == pos) {
                return t;
            }
        }
        return std::uint16_t{0};
    };
    std::vector<std::uint16_t> types;
    for (const auto& [t, at] : recs) {
        types.push_back(t);
    }
    const auto globals_end = std::find(types.begin(), types.end(), 0x000A);
    ASSERT_NE(globals_end, types.end());
    const auto sst = std::find(types.begin(), globals_end, 0x00FC);
    ASSERT_NE(sst, globals_end);
    EXPECT_TRUE(std::all_of(sst + 1, globals_end - 1, [](auto t) { return t == 0x003C; }));
    EXPECT_EQ(*(globals_end - 1), 0x00FF);
    const std::size_t sheet_at =
        biff::U32(stream, recs[static_cast<std::size_t>(
                                   std::find(types.begin(), types.end(), 0x0085) - types.begin())]
                                  .second +
                              4);
    EXPECT_EQ(type_at(sheet_at), 0x0809);
    const std::size_t first = static_cast<std::size_t>(globals_end - types.begin()) + 1;
    ASSERT_EQ(recs[first].second, sheet_at);
    EXPECT_EQ(types[first + 1], 0x020B);
    EXPECT_EQ(types[first + 2], 0x0200);
    EXPECT_EQ(types[types.size() - 2], 0x023E);
    EXPECT_EQ(types.back(), 0x000A);
    const std::size_t index = recs[first + 1].second;
    const std::size_t blocks = (biff::U16(stream, index + 2) - 16) / 4;
    EXPECT_EQ(blocks, std::size_t{4});  // 8 rows of texts and fills, 100 of numbers
    for (std::size_t k = 0; k < blocks; ++k) {
        const std::size_t db = biff::U32(stream, index + 4 + 16 + 4 * k);
        ASSERT_EQ(type_at(db), 0x00D7) << k;
        EXPECT_EQ(type_at(db - biff::U32(stream, db + 4)), 0x0208) << k;
    }
    // EXTSST: each bucket names a string's position and its offset in an SST or CONTINUE.
    const std::size_t ext = recs[static_cast<std::size_t>(globals_end - types.begin()) - 1].second;
    EXPECT_EQ(biff::U32(stream, ext + 6),
              recs[static_cast<std::size_t>(sst - types.begin())].second + 12);
    for (std::size_t b = ext + 6; b + 8 <= ext + 4 + biff::U16(stream, ext + 2); b += 8) {
        const std::uint16_t holder = type_at(biff::U32(stream, b) - biff::U16(stream, b + 4));
        EXPECT_TRUE(holder == 0x00FC || holder == 0x003C) << b;
    }

    Workbook* big = app_.Add();
    ASSERT_TRUE(big->WriteText(70000, 1, "past the format").ok());
    Status s = big->SaveAs(dir_ / "big.xls");
    ASSERT_FALSE(s.ok());
    EXPECT_FALSE(fs::exists(dir_ / "big.xls"));
}

// Streams at both sides of the mini-stream boundary come back at their own length, a file past
// what the header's 109 table sectors cover is chained through DIFAT sectors, and streams in
// storages (macros) keep their places.
TEST(CompoundDocument, StreamsComeBackWhole) {
    const std::vector<std::vector<std::pair<std::u16string, std::string>>> cases = {
        {{u"Workbook", std::string(4095, 'a')}, {u"\5SummaryInformation", "b"}},
        {{u"Workbook", std::string(4096, 'c')}, {u"Ole", ""}, {u"CompObj", std::string(64, 'd')}},
        {{u"Workbook", std::string(9u << 20, 'e')}, {u"\5DocumentSummaryInformation", "f"}},
        {{u"Workbook", "g"},
         {u"_VBA_PROJECT_CUR/VBA/dir", "h"},
         {u"_VBA_PROJECT_CUR/VBA/Module1", std::string(5000, 'i')},
         {u"_VBA_PROJECT_CUR/PROJECT", "j"}},
    };
    for (const auto& streams : cases) {
        const std::string file = CompoundOf(streams);
        auto back = CompoundStreams(file);
        ASSERT_TRUE(back.ok()) << back.error().message;
        std::map<std::u16string, std::string> want(streams.begin(), streams.end());
        std::map<std::u16string, std::string> got(back.value().begin(), back.value().end());
        EXPECT_EQ(got, want) << streams[0].second.size();
    }
}

TEST_F(SpreadsheetTest, MakeVisibleHandsTheSavedFileToTheDesktop) {
    Workbook* wb = app_.Add();
    app_.MakeVisible(*wb);  // nothing saved, nothing to show
    EXPECT_TRUE(shown_.empty());
    ASSERT_TRUE(wb->SaveAs(dir_ / "shown.xlsx").ok());
    app_.MakeVisible(*wb);
    EXPECT_EQ(shown_, std::vector<fs::path>{dir_ / "shown.xlsx"});
    app_.Quit();
}

TEST(CellName, BothWays) {
    const std::pair<const char*, std::pair<int, int>> cases[] = {
        {"A1", {1, 1}}, {"Z9", {9, 26}}, {"AA10", {10, 27}}, {"XFD1048576", {kMaxRows, kMaxCols}}};
    for (const auto& [name, rc] : cases) {
        EXPECT_EQ(CellName(rc.first, rc.second), name);
        int r = 0, c = 0;
        ASSERT_TRUE(ParseCellName(name, r, c)) << name;
        EXPECT_EQ(std::make_pair(r, c), rc);
    }
    int r = 0, c = 0;
    for (const char* bad : {"", "A", "1", "A0", "a1", "XFE1", "A1048577", "A1B"}) {
        EXPECT_FALSE(ParseCellName(bad, r, c)) << bad;
    }
}

}  // namespace
}  // namespace zivron::sheet
