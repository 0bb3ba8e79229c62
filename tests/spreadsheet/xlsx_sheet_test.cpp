#include "spreadsheet/xlsx/xlsx_sheet.h"

#include <gtest/gtest.h>

namespace zivron::sheet {
namespace {

const std::vector<std::string> kStrings = {"zero", "one"};

std::string Sheet(const std::string& rows, const std::string& prefix = "") {
    const std::string p = prefix.empty() ? "" : prefix + ":";
    return "<?xml version=\"1.0\"?>\n<" + p + "worksheet xmlns" + (prefix.empty() ? "" : ":") +
           prefix + "=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><" + p +
           "sheetData>" + rows + "</" + p + "sheetData></" + p + "worksheet>";
}

// Sheets as writers make them and as a hand may, read where they stand; each is edited in an
// existing row and below its rows, written, and read again: every cell must read as before, the
// written ones as written.
TEST(XlsxSheet, ReadsEditsAndWritesBackEverySheetShape) {
    struct Case {
        const char* what;
        std::string xml;
        std::vector<std::pair<std::pair<int, int>, CellValue>> cells;
        const char* kept = "";  // a piece of XML the written sheet still holds
        std::vector<std::pair<std::pair<int, int>, unsigned>> formats = {};
    };
    const std::vector<Case> cases = {
        {"references and line ends",
         Sheet("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>a &amp; b&#x5D0;\r\nc</t></is></c>"
               "<c r=\"B1\" t=\"str\"><v>&#13;&;&#0;&#99999999;</v></c></row>"),
         {{{1, 1}, CellValue::Str("a & bא\nc")}, {{1, 2}, CellValue::Str("\r&;&#0;&#99999999;")}}},
        {"a sheet in another encoding",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><worksheet><sheetData><row r=\"1\">"
         "<c r=\"A1\" t=\"inlineStr\"><is><t>caf\xE9</t></is></c></row></sheetData></worksheet>",
         {{{1, 1}, CellValue::Str("café")}},
         "encoding=\"UTF-8\""},
        {"a type and an address written as references",
         Sheet("<row r=\"2\"><c r=\"&#65;2\" t=\"&#115;\"><v>1</v></c></row>"),
         {{{2, 1}, CellValue::Str("one")}}},
        {"comments, CDATA and a row without its address: read as the full parser reads them",
         Sheet("<!-- a --><row r=\"1\"><c r=\"A1\" t=\"str\"><v><![CDATA[<x>]]></v></c></row>"
               "<?pi?><row><c t=\"s\"><v>0</v></c></row>"),
         {{{1, 1}, CellValue::Str("<x>")}, {{2, 1}, CellValue::Str("zero")}}},
        {"a namespace prefix, runs, a phonetic hint, an empty row and what a row may hold",
         Sheet("<x:row r=\"1\" spans=\"1:1\"><x:c r=\"A1\" t=\"inlineStr\"><x:is><x:r><x:t>ru</x:t>"
               "</x:r><x:r><x:t>ns</x:t></x:r><x:rPh><x:t>no</x:t></x:rPh></x:is></x:c><x:extLst/>"
               "</x:row>\n  <x:row r=\"2\"/>",
               "x"),
         {{{1, 1}, CellValue::Str("runs")}, {{2, 1}, CellValue::Empty()}},
         "<x:extLst/>"},
        {"booleans, errors, numbers and a value that is not one",
         Sheet("<row r=\"1\"><c r=\"A1\" t=\"b\"><v>1</v></c><c r=\"B1\" t=\"e\"><v>#N/A</v></c>"
               "<c r=\"C1\" s=\"4\"><v>-1.5E3</v></c><c r=\"D1\"><v>1x</v></c></row>"),
         {{{1, 1}, {CellKind::Boolean, 1, "TRUE"}},
          {{1, 2}, {CellKind::Error, 0, "#N/A"}},
          {{1, 3}, CellValue::Num(-1500)},
          {{1, 4}, {CellKind::Error, 0, "#VALUE!"}}}},
        {"cell tags spaced and quoted every way, an attribute named like the address",
         Sheet("<row r=\"1\"><c  r=\"A1\"><v>1</v></c><c r='B1' s='2'><v>2</v></c>"
               "<c\nr = \"C1\" rr=\"Z9\"><v>3</v></c><c ss=\"9\" s=\"1\" r=\"D1\"/>"
               "<c r=\"E1\" xml:space=\"preserve\" t=\"inlineStr\"><is><t> e</t></is></c></row>"),
         {{{1, 1}, CellValue::Num(1)},
          {{1, 2}, CellValue::Num(2)},
          {{1, 3}, CellValue::Num(3)},
          {{1, 4}, CellValue::Empty()},
          {{1, 5}, CellValue::Str(" e")}},
         "",
         {{{1, 2}, 2u}, {{1, 3}, 0u}, {{1, 4}, 1u}}},
        {"another element named for the rows, inside the sheet's properties",
         "<worksheet><sheetPr><sheetData><row r=\"9\"><c r=\"A9\"><v>9</v></c></row></sheetData>"
         "</sheetPr><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData></worksheet>",
         {{{1, 1}, CellValue::Num(1)}, {{9, 1}, CellValue::Empty()}},
         "<sheetPr><sheetData><row r=\"9\">"},
    };
    for (const Case& c : cases) {
        XlsxSheet untouched;  // nothing changed: written as it was read, comments and all
        ASSERT_TRUE(untouched.Load(c.xml, "sheet").ok()) << c.what;
        EXPECT_EQ(untouched.Serialize(), c.xml) << c.what;
        XlsxSheet sheet;
        ASSERT_TRUE(sheet.Load(c.xml, "sheet").ok()) << c.what;
        for (const auto& [at, value] : c.cells) {
            EXPECT_EQ(sheet.Read(at.first, at.second, kStrings), value) << c.what;
        }
        for (const auto& [at, xf] : c.formats) {
            EXPECT_EQ(sheet.StyleOf(at.first, at.second), xf) << c.what;
        }
        const int row = c.cells.front().first.first;
        const int below = sheet.LastRow() + 1;
        ASSERT_TRUE(sheet.WriteText(row, 7, " new & <x> ").ok());
        ASSERT_TRUE(sheet.WriteNumber(below, 2, 12.25).ok());
        sheet.SetStyle(row, 7, 5);
        const std::string written = sheet.Serialize();
        EXPECT_NE(written.find(c.kept), std::string::npos) << c.what << "\n" << written;
        XlsxSheet back;
        ASSERT_TRUE(back.Load(written, "sheet").ok()) << c.what << "\n" << written;
        for (const auto& [at, value] : c.cells) {
            EXPECT_EQ(back.Read(at.first, at.second, kStrings), value) << c.what;
        }
        EXPECT_EQ(back.Read(row, 7, kStrings), CellValue::Str(" new & <x> ")) << c.what;
        EXPECT_EQ(back.StyleOf(row, 7), 5u) << c.what;
        EXPECT_EQ(back.Read(below, 2, kStrings), CellValue::Num(12.25)) << c.what;
    }
}

// Writing what a cell already holds leaves the sheet as it was read, unless the cell carries
// metadata, which a written value drops.
TEST(XlsxSheet, WritingWhatACellHoldsChangesItOnlyWhenItCarriesMetadata) {
    struct Case {
        std::string cell;
        bool text;
        bool rewritten;
    };
    const Case cases[] = {
        {"<c r=\"A1\"><v>5</v></c>", false, false},
        {"<c r=\"A1\" t=\"n\" s=\"2\"><v>5</v></c>", false, false},
        {"<c r=\"A1\" vm=\"1\"><v>5</v></c>", false, true},
        {"<c r=\"A1\" t=\"inlineStr\"><is><t>a</t></is></c>", true, false},
        {"<c r=\"A1\" cm=\"1\" t=\"inlineStr\"><is><t>a</t></is></c>", true, true},
        {"<c r=\"A1\" t=\"inlineStr\" cm=\"1\"><is><t>a</t></is></c>", true, true},
    };
    for (const Case& c : cases) {
        const std::string xml = Sheet("<row r=\"1\">" + c.cell + "</row>");
        XlsxSheet sheet;
        ASSERT_TRUE(sheet.Load(xml, "sheet").ok()) << c.cell;
        ASSERT_TRUE((c.text ? sheet.WriteText(1, 1, "a") : sheet.WriteNumber(1, 1, 5)).ok());
        const std::string written = sheet.Serialize();
        EXPECT_EQ(written != xml, c.rewritten) << c.cell << "\n" << written;
        const bool metadata = c.cell.find("m=\"1\"") != std::string::npos;
        EXPECT_EQ(written.find("m=\"1\"") != std::string::npos, metadata && !c.rewritten)
            << written;
    }
}

// A format set on a cell goes last in its tag, whichever way the tag was read.
TEST(XlsxSheet, AFormatSetOnACellIsWrittenLastInItsTag) {
    const std::pair<std::string, std::string> cases[] = {
        {"<c r=\"A1\" s=\"3\" t=\"n\"><v>1</v></c>", "<c r=\"A1\" t=\"n\" s=\"7\"><v>1</v></c>"},
        {"<c r=\"A1\"><v>1</v></c>", "<c r=\"A1\" s=\"7\"><v>1</v></c>"},
        {"<c t=\"s\" r=\"A1\" s=\"12\"><v>0</v></c>", "<c t=\"s\" r=\"A1\" s=\"7\"><v>0</v></c>"},
        {"<c r=\"A1\" s=\"2\"/>", "<c r=\"A1\" s=\"7\"/>"},
        {"<c r='A1'  s='2' vm=\"1\"><v>1</v></c>", "<c r='A1' vm=\"1\" s=\"7\"><v>1</v></c>"},
    };
    for (const auto& [cell, formatted] : cases) {
        XlsxSheet sheet;
        ASSERT_TRUE(sheet.Load(Sheet("<row r=\"1\">" + cell + "</row>"), "sheet").ok()) << cell;
        sheet.SetStyle(1, 1, 7);
        const std::string written = sheet.Serialize();
        EXPECT_NE(written.find("<row r=\"1\">" + formatted + "</row>"), std::string::npos)
            << cell << "\n"
            << written;
    }
}

TEST(XlsxSheet, ACellAddedToARowDropsItsSpanAndUntouchedRowsGoOutAsTheyCame) {
    const std::string untouched =
        "<row r=\"2\" spans=\"1:2\" ht=\"20\"><c r=\"A2\"><v>2</v></c></row>";
    XlsxSheet sheet;
    ASSERT_TRUE(
        sheet
            .Load(Sheet("<row r=\"1\" spans=\"1:2\" ht=\"20\"><c r=\"B1\"><v>1</v></c></row>" +
                        untouched),
                  "sheet")
            .ok());
    ASSERT_TRUE(sheet.WriteText(1, 1, "first").ok());
    const std::string written = sheet.Serialize();
    EXPECT_NE(written.find("<row r=\"1\" ht=\"20\"><c r=\"A1\" t=\"inlineStr\"><is><t>first</t>"
                           "</is></c><c r=\"B1\"><v>1</v></c></row>" +
                           untouched),
              std::string::npos)
        << written;
}

// Cells changed again and again, shorter and longer, across blocks and larger than one: every
// entry reads as it was last put, and the bytes held are what the entries hold.
TEST(CellEdits, EveryEntryReadsAsItWasLastPut) {
    CellEdits edits;
    std::vector<std::string> want;
    auto put = [&](int index, std::string xml) {
        const std::int32_t at = edits.Put(index, xml);
        if (index < 0) {
            ASSERT_EQ(at, static_cast<std::int32_t>(want.size()));
            want.push_back(std::move(xml));
        } else {
            ASSERT_EQ(at, index);
            want[static_cast<std::size_t>(index)] = std::move(xml);
        }
    };
    put(-1, "<c r=\"A1\"><v>1</v></c>");
    put(-1, "<c r=\"B1\"><v>2</v></c>");
    put(0, "<c r=\"A1\"/>");                     // shorter, in its place
    put(0, "<c r=\"A1\"><v>123456789</v></c>");  // longer, moved
    put(1, "");                                  // empty
    for (int i = 0; i < 30000; ++i) {            // past a block's end
        put(-1, std::string(40 + i % 70, static_cast<char>('a' + i % 26)));
    }
    put(-1, std::string(3 << 20, 'x'));  // larger than a block
    put(0, std::string(100, 'y'));
    put(2, std::string(10, 'z'));
    put(-1, "<c r=\"C9\"/>");
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(edits[static_cast<std::int32_t>(i)], want[i]) << i;
        bytes += want[i].size();
    }
    EXPECT_EQ(edits.Bytes(), bytes);
}

}  // namespace
}  // namespace zivron::sheet
