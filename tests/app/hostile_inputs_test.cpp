// Hostile and broken inputs, end to end through the credit import and builder: each gives the
// program's clear message or a sound result, and what was written before is never lost.

#include <gtest/gtest.h>

#include "spreadsheet/inspection.h"
#include "support/http_recorder.h"
#include "support/road_fixture.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

// A cell as an operator's spreadsheet may hold it.
std::string T(const std::string& ref, const std::string& text) {
    return "<c r=\"" + ref + "\" t=\"inlineStr\"><is><t xml:space=\"preserve\">" + text +
           "</t></is></c>";
}
std::string N(const std::string& ref, const std::string& v) {
    return "<c r=\"" + ref + "\"><v>" + v + "</v></c>";
}
std::string Raw(const std::string& ref, const std::string& attrs, const std::string& inner) {
    return "<c r=\"" + ref + "\" " + attrs + ">" + inner + "</c>";
}
// A clean payee row, with one cell replaced.
std::string Row(int r, const std::map<char, std::string>& over = {}) {
    const std::string n = std::to_string(r);
    std::map<char, std::string> cells = {{'A', T("A" + n, "שם")},     {'B', T("B" + n, "18")},
                                         {'C', N("C" + n, "12")},     {'D', N("D" + n, "600")},
                                         {'E', T("E" + n, "100006")}, {'F', N("F" + n, "10")}};
    for (const auto& [k, v] : over) {
        cells[k] = v;
    }
    std::string out = "<row r=\"" + n + "\">";
    for (const auto& [k, v] : cells) {
        out += v;
    }
    return out + "</row>";
}
std::string Rows(int count) {
    std::string out;
    for (int r = 2; r < 2 + count; ++r) {
        out += Row(r);
    }
    return out;
}

class HostileInputsTest : public test::RoadTest {
  protected:
    fs::path Workbook(const std::string& rows) {
        auto parts =
            sheet::inspect::PartsOf(fs::path(ZIVRON_TEST_DATA) / "xlsx/handmade.xlsx").value();
        for (auto& part : parts) {
            if (part.name == "xl/worksheets/sheet1.xml") {
                part.data =
                    "<worksheet "
                    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                    "<sheetData>" +
                    rows + "</sheetData></worksheet>";
            }
        }
        std::erase_if(parts,
                      [](const sheet::inspect::Part& p) { return p.name == "xl/calcChain.xml"; });
        fs::path p = dir_ / "hostile.xlsx";
        EXPECT_TRUE(WriteFileAtomically(p, sheet::inspect::PackageOf(parts).value()).ok());
        return p;
    }
};

TEST_F(HostileInputsTest, EachGivesAMessageOrASoundResult) {
    const std::string emoji = "\xF0\x9F\x98\x80";
    struct Case {
        const char* what;
        std::function<fs::path()> input;
        std::string message;  // part of the refusal; empty when the run succeeds
        std::string count;    // the transactions box after the import
    };
    auto wb = [this](const std::string& rows) { return [this, rows] { return Workbook(rows); }; };
    auto data = [this](const char* name) { return [this, name] { return CopyData(name); }; };
    const std::string ok = "";
    const std::vector<Case> cases = {
        {"one clean row", wb(Rows(1)), ok, "1"},
        {"another program's workbook with merged cells", data("xlsx/rich.xlsx"), ok, "3"},
        {"an error value in the identity column", wb(Row(2, {{'B', Raw("B2", "t=\"e\"", "<v>#N/A</v>")}})), "ערך שגיאה", ""},
        {"an error value in the amount", wb(Row(2, {{'F', Raw("F2", "t=\"e\"", "<v>#DIV/0!</v>")}})), "ערך שגיאה", ""},
        {"a formula amount with its cached value", wb(Row(2, {{'F', Raw("F2", "", "<f>5*2</f><v>10</v>")}})), ok, "1"},
        {"a formula name with a text result", wb(Row(2, {{'A', Raw("A2", "t=\"str\"", "<f>\"a\"</f><v>שם</v>")}})), ok, "1"},
        {"a date in the amount cell", wb(Row(2, {{'F', Raw("F2", "s=\"0\"", "<v>46363</v>")}})), ok, "1"},
        {"10,001 data rows", wb(Rows(10001)), ok, "10001"},
        {"a name of 500 characters", wb(Row(2, {{'A', T("A2", std::string(500, 'n'))}})), ok, "1"},
        {"emoji in a name", wb(Row(2, {{'A', T("A2", "שם " + emoji)}})), ok, "1"},
        {"Arabic in a name", wb(Row(2, {{'A', T("A2", "محمد")}})), ok, "1"},
        {"control characters in a name", wb(Row(2, {{'A', T("A2", "a&#10;b&#9;c")}})), ok, "1"},
        {"an amount of 1e308 twice", wb(Row(2, {{'F', N("F2", "1e308")}}) + Row(3, {{'F', N("F3", "1e308")}})), "גדול מדי", "2"},
        {"an amount of -5", wb(Row(2, {{'F', N("F2", "-5")}})), "שלילי", "1"},
        {"an amount typed as 1,250", wb(Row(2, {{'F', T("F2", "1,250")}})), ok, "1"},
        {"an amount with spaces", wb(Row(2, {{'F', T("F2", " 12 ")}})), ok, "1"},
        {"an amount with letters after it", wb(Row(2, {{'F', T("F2", "12abc")}})), "שורה 2 (שם): הסכום אינו מספר (12abc)", "1"},
        {"an amount of letters", wb(Row(2, {{'F', T("F2", "abc")}})), "הסכום אינו מספר (abc)", "1"},
        {"an empty amount", wb(Row(2, {{'F', ""}})), "שורה 2 (שם): חסר סכום", "1"},
        {"an amount past the grouping rules", wb(Row(2, {{'F', T("F2", "1,2,3.4.5")}})), "הסכום אינו מספר", "1"},
        {"a boolean bank code", wb(Row(2, {{'C', Raw("C2", "t=\"b\"", "<v>1</v>")}})), "קוד בנק", "1"},
        {"a bank code of letters", wb(Row(2, {{'C', T("C2", "ab")}})), "שורה 2 (שם): חסר קוד בנק", "1"},
        {"a branch of 0", wb(Row(2, {{'D', N("D2", "0")}})), "שורה 2 (שם): מספר סניף הוא 0", "1"},
        {"an identity number with letters", wb(Row(2, {{'B', T("B2", "1a8")}})), ok, "1"},
        {"a bank code typed as 4", wb(Row(2, {{'C', N("C2", "4")}})), ok, "1"},
        {"a negative bank code", wb(Row(2, {{'C', N("C2", "-12")}})), ok, "1"},
        {"an account of ten digits", wb(Row(2, {{'E', T("E2", "1234567890")}})), "ארוך מ-9 ספרות", "1"},
        {"an account of ten characters, a leading zero", wb(Row(2, {{'E', T("E2", "0100006")}})), ok, "1"},
        {"an identity number of eleven digits", wb(Row(2, {{'B', T("B2", "12345678901")}})), "ארוך מ-9 ספרות", "1"},
        {"the end marker after the data", wb(Rows(2) + Row(4, {{'A', T("A4", "*")}}) + Row(5)), ok, "2"},
        {"nothing but headings", wb("<row r=\"1\">" + T("A1", "שם") + "</row>"), "מספר תנועות אפס", "0"},
        {"an empty sheet", wb(""), "מספר תנועות אפס", "0"},
        {"rows out of order", wb(Row(3) + Row(2)), "פגומה", ""},
        {"a cell address past the sheet", wb("<row r=\"2\"><c r=\"XFE2\"><v>1</v></c></row>"), "פגומה", ""},
        {"entities in the sheet", data("xlsx/entities.xlsx"), "DTD", ""},
        {"a zip that is not a workbook", data("xlsx/not_a_workbook.xlsx"), "אינו חוברת אקסל", ""},
        {"a workbook without its active sheet", data("xlsx/no_active_sheet.xlsx"), "לא נמצא הגיליון הפעיל", ""},
        {"a text file named .xlsx", [this] { fs::path p = dir_ / "t.xlsx"; (void)WriteFileAtomically(p, "a,b\n"); return p; }, "אינו חוברת אקסל", ""},
        {"half a workbook", [this] { std::string b = Data("xlsx/rich.xlsx"); fs::path p = dir_ / "h.xlsx"; (void)WriteFileAtomically(p, b.substr(0, b.size() / 3)); return p; }, "תקינה", ""},
        {"a folder where the workbook should be", [this] { fs::create_directories(dir_ / "d.xlsx"); return dir_ / "d.xlsx"; }, "לא ניתן לפתוח", ""},
        {"a workbook that is gone", [this] { return dir_ / "gone.xlsx"; }, "לא ניתן לפתוח", ""},
        {"an .xls that crashes its reader", data("xlsx/freexl_overflow.xls"), "xls פגום", ""},
        {"an .xls workbook", data("xlsx/sample.xls"), ok, "2"},
    };
    ASSERT_GE(cases.size(), 40u);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        session_ = std::make_unique<Session>(port_);
        fs::create_directories(drive_ / "ZIVRON/Shidur");
        ASSERT_TRUE(WriteFileAtomically(drive_ / "ZIVRON/Shidur/msv.001", "previous").ok());
        Result<ImportSummary> imported = Import(Panel::Credit, c.input());
        EXPECT_EQ(imported ? std::to_string(imported.value().transactions) : "", c.count);
        std::string refusal = imported ? "" : imported.error().message;
        if (imported) {
            ChooseInstitution();
            refusal = BuildRefusal(Panel::Credit);
        }
        const std::string msv = ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value();
        if (c.message.empty()) {
            EXPECT_EQ(refusal, "");
            if (!refusal.empty()) {
                continue;
            }
            const int n = imported.value().transactions;
            EXPECT_EQ(msv.size(), 130u * static_cast<unsigned>(n + 3));
            EXPECT_EQ(std::count(msv.begin(), msv.end(), '\n'), n + 3);
        } else {
            EXPECT_NE(refusal.find(c.message), std::string::npos) << refusal;
            EXPECT_EQ(msv, "previous");  // a refused run leaves the last file whole
        }
        EXPECT_EQ(port_.busy_depth, 0);
    }
}

TEST_F(HostileInputsTest, BlockedFoldersAndAGarbageService) {
    test::HttpRecorder garbage;
    garbage.Reply(std::string("\x00\xFF*+eject ok", 12));
    port_.service = garbage.Base();
    ASSERT_TRUE(Import(Panel::Credit, Workbook(Rows(3))));
    ChooseInstitution();
    EXPECT_EQ(BuildRefusal(Panel::Credit), "");

    // The transmission folder is a file: nothing claims success, the pointer comes back.
    fs::remove_all(drive_ / "ZIVRON/Shidur");
    ASSERT_TRUE(WriteFileAtomically(drive_ / "ZIVRON/Shidur", "in the way").ok());
    EXPECT_NE(BuildRefusal(Panel::Credit).find("לא ניתן"), std::string::npos);
    EXPECT_EQ(port_.busy_depth, 0);
    EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON/Shidur").value(), "in the way");
}

}  // namespace
}  // namespace zivron
