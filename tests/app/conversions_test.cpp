// Masav and Michpal files to "c:\Hamara.xls", and the base lists.

#include <gtest/gtest.h>

#include "masav/masav_file.h"
#include "support/process.h"
#include "support/road_fixture.h"
#include "text/hebrew.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;
using sheet::CellValue;

class ConversionsTest : public test::RoadTest {
  protected:
    fs::path Hamara() const { return drive_ / "Hamara.xls"; }
    fs::path Put(const std::string& name, const std::string& bytes) {
        fs::path p = dir_ / name;
        EXPECT_TRUE(WriteFileAtomically(p, bytes).ok());
        return p;
    }
    // Column A of the written workbook, from row 2 to the first empty cell.
    std::vector<std::string> Names() {
        sheet::SpreadsheetApp app({});
        Result<sheet::Workbook*> wb = app.Open(Hamara());
        EXPECT_TRUE(wb.ok()) << wb.error().message;
        std::vector<std::string> out;
        if (!wb.ok()) {
            return out;
        }
        EXPECT_EQ(wb.value()->Read(1, 1), CellValue::Str("לקוח"));
        EXPECT_EQ(wb.value()->Read(1, 6), CellValue::Str("סכום"));
        for (int r = 2; wb.value()->Read(r, 1).kind != sheet::CellKind::Empty; ++r) {
            out.push_back(sheet::CellText(wb.value()->Read(r, 1)));
        }
        return out;
    }
    // The conversion's refusal, or "" when it wrote the workbook.
    std::string Convert(const fs::path& file) {
        Result<ConversionOutcome> done = session_->ConvertMasavNames(file);
        if (done) {
            EXPECT_EQ(done.value().workbook, Hamara());
        }
        return done ? "" : done.error().message;
    }
};

TEST_F(ConversionsTest, MasavFileGivesItsNamesInOrder) {
    const std::string credit = Data("masav/credit_hebrew.001");
    const std::string collection = Data("masav/collection_hebrew.001");
    const std::string oneil = "       dtL lieNO";  // as the credit file holds it
    struct Case {
        std::string file;
        std::size_t names;
    };
    const std::vector<Case> cases = {
        {credit, 4},
        {collection, 4},
        {credit.substr(0, credit.size() - 2), 4},  // no line break after the last line
        {collection.substr(0, collection.size() - 1), 4},
        {credit.substr(0, 3 * 130), 0},  // three lines: headings only
        {"", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Convert(Put("in.001", c.file)), "");
        std::vector<std::string> names = Names();
        EXPECT_EQ(names.size(), c.names);
        if (names.size() == 4) {
            EXPECT_EQ(names[0], FromWindows1255(ToOldHebrewCode("ישראל ישראלי")).insert(0, 4, ' '));
        }
    }
    Convert(Put("in.001", credit));
    EXPECT_EQ(Names()[2], oneil);
}

TEST_F(ConversionsTest, ShortAndIndentedLines) {
    const std::string file = "K header\n" + std::string(50, 'a') + "\n" + "  " +
                             std::string(45, 'b') + "NAME-FIELD-16CHR-rest\n" +
                             std::string(10, 'c') + "\ntrailer\n" + std::string(128, '9') + "\r\n";
    EXPECT_EQ(Convert(Put("short.001", file)), "");
    // 50 characters: the five from position 46; a line shorter than 46 gives nothing, and its
    // empty cell closes the list read back here.
    EXPECT_EQ(Names(), (std::vector<std::string>{"aaaaa", "NAME-FIELD-16CHR"}));
}

TEST_F(ConversionsTest, AFileThatCannotBeReadChangesNothing) {
    EXPECT_NE(Convert(dir_ / "none.001").find("לא ניתן לפתוח את הקובץ"), std::string::npos);
    Result<ConversionOutcome> payroll = session_->ConvertPayrollExport(dir_ / "none.txt");
    ASSERT_FALSE(payroll);
    EXPECT_NE(payroll.error().message.find("לא ניתן לפתוח את הקובץ"), std::string::npos);
    EXPECT_FALSE(fs::exists(Hamara()));
    EXPECT_EQ(port_.busy_depth, 0);
}

// A detail record of a Michpal export: the Masav positions, the name in Michpal's own code.
std::string Detail(const std::string& name, const std::string& id, const std::string& amount13) {
    std::string r = "1" + std::string("12345678") + "00" + "000000" + "12" + "600" + "0000" +
                    "000100006" + "0" + id + name + std::string(16 - name.size(), ' ') + amount13;
    r.resize(128, '0');
    return r;
}

TEST_F(ConversionsTest, MichpalExportGivesOneRowAPayee) {
    const std::string file = std::string(128, 'K') + "\r\n" +
                             Detail("  cba", "012345674", "0000001234567") + "\r\n" +
                             Detail("hi", "000000018", "0000000000005") + "\r\n" +
                             Detail("a100b", "000000026", "0000000000100") + "\r\n" +
                             Detail("after", "000000034", "0000000000100") + "\r\n" + "5" +
                             std::string(127, '0') + "\r\n" + std::string(128, '9') + "\r\n";
    Result<ConversionOutcome> done = session_->ConvertPayrollExport(Put("michpal.txt", file));
    ASSERT_TRUE(done) << done.error().message;
    EXPECT_EQ(done.value().records_written, 2);
    EXPECT_EQ(port_.opened, std::vector<fs::path>{Hamara()});
    sheet::SpreadsheetApp app({});
    sheet::Workbook& wb = *app.Open(Hamara()).value();
    EXPECT_EQ(wb.Read(1, 2), CellValue::Str("זהות לקוח"));
    // Reversed, then mapped; the spaces before the name are stripped with the line.
    EXPECT_EQ(wb.Read(2, 1), CellValue::Str("           בגד  "));
    EXPECT_EQ(wb.Read(2, 2), CellValue::Str("012345674"));
    EXPECT_EQ(wb.Read(2, 3), CellValue::Str("12"));
    EXPECT_EQ(wb.Read(2, 4), CellValue::Str("600"));
    EXPECT_EQ(wb.Read(2, 5), CellValue::Str("000100006"));
    EXPECT_EQ(wb.Read(2, 6), CellValue::Num(12345.67));
    EXPECT_EQ(wb.Read(3, 6), CellValue::Num(0.05));
    // "100" in a name turns to "@@@" and ends the rows there.
    EXPECT_EQ(wb.Read(4, 1), CellValue::Empty());
    EXPECT_EQ(wb.Read(5, 1), CellValue::Empty());
}

TEST_F(ConversionsTest, BaseListsAreCreatedOnceAndOpenedAfterwards) {
    session_->Prepare();
    ASSERT_TRUE(session_->OpenBaseList(Panel::Credit));
    const fs::path payees = drive_ / "ZIVRON/Basis/Haavarot/BasisMutavim.xlsx";
    const fs::path payers = drive_ / "ZIVRON/Basis/Geviya/BasisMeshalmim.xlsx";
    ASSERT_TRUE(fs::exists(payees));
    EXPECT_FALSE(fs::exists(payers));
    {
        sheet::SpreadsheetApp app({});
        sheet::Workbook& wb = *app.Open(payees).value();
        EXPECT_EQ(wb.Read(1, 1), CellValue::Str("שם מוטב"));
        EXPECT_EQ(wb.Read(1, 2), CellValue::Str("זהות מוטב"));
        EXPECT_EQ(wb.Read(1, 6), CellValue::Str("סכום"));
        ASSERT_TRUE(wb.WriteText(2, 1, "נכתב ביד").ok());
        ASSERT_TRUE(wb.Save().ok());
    }
    const std::string filled = ReadWholeFile(payees).value();
    port_.opened.clear();
    ASSERT_TRUE(session_->OpenBaseList(Panel::Credit));
    EXPECT_EQ(port_.opened, std::vector<fs::path>{payees});
    EXPECT_EQ(ReadWholeFile(payees).value(), filled);
    ASSERT_TRUE(session_->OpenBaseList(Panel::Collection));
    sheet::SpreadsheetApp app({});
    EXPECT_EQ(app.Open(payers).value()->Read(1, 1), CellValue::Str("משלם"));
    EXPECT_TRUE(port_.messages.empty());
}

TEST_F(ConversionsTest, ImportsWorkOnXlsWorkbooksToo) {
    fs::path xlsx = WriteRoadWorkbook();
    sheet::SpreadsheetApp app({});
    sheet::Workbook& wb = *app.Open(xlsx).value();
    fs::path xls = dir_ / "payees.xls";
    ASSERT_TRUE(wb.SaveAs(xls).ok());
    ASSERT_TRUE(Import(Panel::Credit, xls));
    EXPECT_EQ(Summary(Panel::Credit).typing_errors, 2);
    EXPECT_EQ(Summary(Panel::Credit).transactions, 4);
    sheet::SpreadsheetApp again({});
    sheet::Workbook& back = *again.Open(xls).value();
    EXPECT_EQ(back.Read(2, 2), CellValue::Str("12345674"));
    EXPECT_EQ(back.Read(2, 9), CellValue::Str("12-345-674"));
}

TEST_F(ConversionsTest, CommandLine) {
    auto r = test::RunProcess(
        ZIVRON_CLI,
        {"masav-to-excel", (fs::path(ZIVRON_TEST_DATA) / "masav/credit_one_row.001").string()},
        {{"ZIVRON_DRIVE_C", drive_.string()}});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.out, Hamara().string() + "\n");
    EXPECT_EQ(Names().size(), 1u);
    auto missing = test::RunProcess(ZIVRON_CLI, {"michpal-to-excel", (dir_ / "none").string()},
                                    {{"ZIVRON_DRIVE_C", drive_.string()}});
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.err.find("לא ניתן לפתוח את הקובץ"), std::string::npos);
    EXPECT_EQ(test::RunProcess(ZIVRON_CLI, {"masav-to-excel"}).exit_code, 2);
}

}  // namespace
}  // namespace zivron
