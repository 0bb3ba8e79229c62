// .xls workbooks: read and patched in place with every sheet, damaged files refused, new files.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "core/atomic_file.h"
#include "spreadsheet/cfb/compound_reader.h"
#include "spreadsheet/cfb/compound_writer.h"
#include "spreadsheet/sheet_fixture.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xls/xls_reader.h"
#include "spreadsheet/xls/xls_records.h"
#include "support/process.h"

namespace zivron::sheet {
namespace {

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
    SheetValues blank;
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
// Strings added to a workbook's table go on where its last string ended, as Excel writes them:
// xlrd, made to that layout, looks for a string nowhere else. Each table is put into a workbook
// LibreOffice wrote without one.
TEST_F(SpreadsheetTest, StringsAddedToATableGoWhereExcelsReadersLook) {
    const std::string numbers =
        ReadWholeFile(fs::path(ZIVRON_TEST_DATA) / "foreign" / "numbers_only.xls").value();
    auto with_table = [&](const std::vector<biff::Rec>& table) {
        std::vector<biff::Rec> records =
            biff::Split(CompoundStream(numbers, u"Workbook").value()).value();
        std::size_t added = 0;
        for (const biff::Rec& r : table) {
            added += 4 + r.data.size();
        }
        auto eof = std::find_if(records.begin(), records.end(),
                                [](const biff::Rec& r) { return r.type == biff::kEof; });
        for (biff::Rec& r : records) {
            if (r.type == biff::kBoundSheet) {  // the sheets move down by the table's bytes
                biff::Set32(r.data, 0, biff::U32(r.data, 0) + static_cast<std::uint32_t>(added));
            }
        }
        records.insert(eof, table.begin(), table.end());
        std::string stream;
        for (const biff::Rec& r : records) {
            biff::Append(stream, r);
        }
        return CompoundOf({{u"Workbook", stream}});
    };
    auto sst = [](std::uint32_t count, const std::string& strings) {
        biff::Rec r{biff::kSst, {}};
        biff::Put32(r.data, count);
        biff::Put32(r.data, count);
        r.data += strings;
        return r;
    };
    auto one_byte_string = [](const std::string& s) {
        std::string out;
        biff::Put16(out, static_cast<std::uint32_t>(s.size()));
        return out + '\0' + s;
    };
    const std::string full(biff::kMaxRecordData - 8 - 3, 'f');  // fills the SST record
    const std::vector<std::vector<biff::Rec>> tables = {
        {sst(0, "")},
        {sst(1, one_byte_string("abc"))},
        {sst(1, one_byte_string(full))},
        {sst(2, one_byte_string(full) + one_byte_string("")),
         {biff::kContinue, std::string(1, '\0') + "tail"}},
    };
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const fs::path p = dir_ / ("table" + std::to_string(i) + ".xls");
        ASSERT_TRUE(WriteFileAtomically(p, with_table(tables[i])).ok());
        Workbook* wb = MustOpen(p);
        ASSERT_NE(wb, nullptr);
        for (int r = 1; r <= 40; ++r) {
            ASSERT_TRUE(
                wb->WriteText(r, 5, "נוסף " + std::string(static_cast<std::size_t>(r) * 9, 'x'))
                    .ok());
        }
        Status saved = wb->Save();
        ASSERT_TRUE(saved.ok()) << saved.error().message;
        test::ProcessResult xlrd = test::RunProcess(
            ZIVRON_PYTHON, {std::string(ZIVRON_TEST_DATA) + "/xls/read_with_xlrd.py", p.string()});
        EXPECT_EQ(xlrd.exit_code, 0) << i << ": " << xlrd.err;
        EXPECT_TRUE(Has(xlrd.out, "cell Numbers!E40 1 'נוסף " + std::string(360, 'x') + "'")) << i;
        EXPECT_TRUE(Has(xlrd.out, "cell Numbers!B30 2 3000.0")) << i;
    }
}

// A save adds or changes the ROW record of a row it wrote in alone, at the sheet's default height;
// every other row keeps its record as it was, or stays without one, as some writers leave rows.
TEST_F(SpreadsheetTest, OnlyRowsTheSaveWroteInGetRowRecords) {
    const std::string made =
        ReadWholeFile(fs::path(ZIVRON_TEST_DATA) / "foreign" / "numbers_only.xls").value();
    auto rows_of = [](const std::string& file) {
        std::map<int, std::string> rows;
        std::optional<std::uint16_t> default_height;
        const std::vector<biff::Rec> records =
            biff::Split(CompoundStream(file, u"Workbook").value()).value();
        for (const biff::Rec& r : records) {
            if (r.type == biff::kRow) {
                rows[biff::U16(r.data, 0)] = r.data;
            } else if (r.type == biff::kDefaultRowHeight) {
                default_height = static_cast<std::uint16_t>(biff::U16(r.data, 2));
            }
        }
        return std::make_pair(rows, default_height);
    };
    auto without_rows = [&] {
        std::string stream;
        const std::vector<biff::Rec> records =
            biff::Split(CompoundStream(made, u"Workbook").value()).value();
        for (const biff::Rec& r : records) {
            if (r.type != biff::kRow) {
                biff::Append(stream, r);
            }
        }
        return CompoundOf({{u"Workbook", stream}});
    };
    for (const std::string& file : {made, without_rows()}) {
        const fs::path p = dir_ / "rows.xls";
        ASSERT_TRUE(WriteFileAtomically(p, file).ok());
        const auto [before, default_height] = rows_of(file);
        ASSERT_TRUE(default_height.has_value());
        Workbook* wb = MustOpen(p);
        ASSERT_NE(wb, nullptr);
        ASSERT_TRUE(wb->WriteText(5, 5, "שורה קיימת").ok());
        ASSERT_TRUE(wb->SetFill(40, 2, kCyanFill).ok());
        ASSERT_TRUE(wb->Save().ok());
        app_.Close(wb);
        const auto [after, unused] = rows_of(ReadWholeFile(p).value());
        for (const auto& [row, data] : after) {
            if (row == 4 || row == 39) {
                EXPECT_EQ(biff::U16(data, 6), *default_height) << row;
                EXPECT_LE(biff::U16(data, 2), row == 4 ? 4 : 1);
                EXPECT_GE(biff::U16(data, 4), row == 4 ? 5 : 2);
            } else {
                ASSERT_EQ(before.count(row), 1u) << row;
                EXPECT_EQ(data, before.at(row)) << row;
            }
        }
        EXPECT_EQ(after.size(), before.size() + (before.empty() ? 2 : 1));
    }
}

TEST_F(SpreadsheetTest, DamagedXlsFilesAreRefusedWithAMessage) {
    SheetValues sheet;
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

}  // namespace
}  // namespace zivron::sheet
