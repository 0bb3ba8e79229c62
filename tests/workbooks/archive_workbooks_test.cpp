// The detail and summary workbooks, read back.

#include <gtest/gtest.h>

#include "support/drive_fixture.h"
#include "workbooks/archive_workbooks.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;
using sheet::CellValue;

class ArchiveWorkbooksTest : public test::DriveTest {
  protected:
    void SetUp() override {
        DriveTest::SetUp();
        fs::create_directories(drive_ / "ZIVRON/Arhiv/Zikuyim/2026/12_2026");
        rows_ = {{"א", "012", "9", "12", "1234", "1234.5"}, {"ב", "18", "10", "936", "1002", "9"}};
    }
    // The panel's run of the first `n` rows, as a build hands it to the workbooks.
    RunRecord Run(Panel panel, int n) const {
        RunRecord run;
        run.panel = panel;
        const bool credit = panel == Panel::Credit;
        run.institution = {credit ? "12345678" : "87654321", "", credit ? "עמותת הדגמה" : ""};
        run.workbook_name = "עמותת הדגמה";
        run.rows.assign(rows_.begin(), rows_.begin() + n);
        run.total_text = credit ? "1243.5" : "9";
        return run;
    }
    Status Detail(const std::string& path, int n, Panel panel) {
        sheet::SpreadsheetApp app({});
        return WriteDetailWorkbook(app, Run(panel, n), Real(path), port_.Now());
    }
    Status NewSummary(const std::string& path, int n) {
        sheet::SpreadsheetApp app({});
        return WriteNewSummaryWorkbook(app, Run(Panel::Credit, n).rows, Real(path), port_.Now());
    }
    Status AppendSummary(const std::string& path, int n) {
        sheet::SpreadsheetApp app({});
        return AppendSummaryWorkbook(app, Run(Panel::Credit, n).rows, Real(path), port_.Now());
    }
    std::vector<masav::Row> rows_;
};

TEST_F(ArchiveWorkbooksTest, DetailWorkbook) {
    const std::string path = "C:\\ZIVRON\\Arhiv\\Zikuyim\\2026\\12_2026\\detail.xlsx";
    ASSERT_TRUE(Detail(path, 2, Panel::Credit).ok());
    sheet::SpreadsheetApp app({});
    sheet::Workbook& wb = *app.Open(Real(path)).value();
    EXPECT_EQ(wb.Read(1, 1), CellValue::Str("פרוט ההעברות למוסד:"));
    EXPECT_EQ(wb.Read(1, 2), CellValue::Str("עמותת הדגמה"));
    EXPECT_EQ(wb.Read(1, 4), CellValue::Str("12345678"));
    EXPECT_EQ(wb.Read(1, 6), CellValue::Num(sheet::DateSerial(2026, 12, 7)));
    EXPECT_EQ(wb.Read(2, 6), CellValue::Str("סכום"));
    EXPECT_EQ(wb.Read(3, 2), CellValue::Str("012"));
    EXPECT_EQ(wb.Read(3, 3), CellValue::Str("09"));
    EXPECT_EQ(wb.Read(3, 4), CellValue::Str("012"));
    EXPECT_EQ(wb.Read(3, 5), CellValue::Str("000001234"));
    EXPECT_EQ(wb.Read(3, 6), CellValue::Num(1234.5));
    EXPECT_EQ(wb.Read(5, 1), CellValue::Str("*"));
    EXPECT_EQ(wb.Read(5, 6), CellValue::Num(1243.5));

    ASSERT_TRUE(Detail(path, 0, Panel::Collection).ok());
    sheet::Workbook& empty = *app.Open(Real(path)).value();
    EXPECT_EQ(empty.Read(1, 4), CellValue::Str("87654321"));
    EXPECT_EQ(empty.Read(3, 1), CellValue::Str("*"));
    EXPECT_EQ(empty.Read(3, 6), CellValue::Num(9));
}

TEST_F(ArchiveWorkbooksTest, TwoRunsAppendToOneSummary) {
    const std::string path = "C:\\ZIVRON\\Arhiv\\Zikuyim\\2026\\Rikuz=2026mosad=12345678.xlsx";
    ASSERT_TRUE(NewSummary(path, 2).ok());
    port_.clock.hour = 9;
    ASSERT_TRUE(AppendSummary(path, 1).ok());
    port_.clock.hour = 10;
    ASSERT_TRUE(AppendSummary(path, 0).ok());
    sheet::SpreadsheetApp app({});
    sheet::Workbook& wb = *app.Open(Real(path)).value();
    EXPECT_EQ(wb.Read(1, 8), CellValue::Str("שעה"));
    EXPECT_EQ(wb.Read(2, 1), CellValue::Str("א"));
    EXPECT_EQ(wb.Read(2, 8), CellValue::Str("05:30:12"));
    EXPECT_EQ(wb.Read(3, 8), CellValue::Str("05:30:12"));
    EXPECT_EQ(wb.Read(3, 7), CellValue::Num(sheet::DateSerial(2026, 12, 7)));
    EXPECT_EQ(wb.Read(4, 1), CellValue::Str("א"));  // the second run starts on the old marker
    EXPECT_EQ(wb.Read(4, 8), CellValue::Str("09:30:12"));
    EXPECT_EQ(wb.Read(5, 1), CellValue::Str("*"));  // the empty run moved nothing
    EXPECT_EQ(wb.Read(6, 1), CellValue::Empty());
    // Each save kept the earlier runs apart: the next run reads the marker row alone.
    EXPECT_EQ(
        app.Open(Real(path), sheet::OpenMode::FromLastRow).value()->KeptApartRows()->FirstRow(), 5);
}

// A payee named "*" is a data row, not the end marker, in a summary read whole as in one kept
// apart.
TEST_F(ArchiveWorkbooksTest, APayeeNamedStarIsNotTheEndMarker) {
    const std::string path = "C:\\ZIVRON\\Arhiv\\Zikuyim\\2026\\star.xlsx";
    rows_[1].name = "*";
    for (bool whole : {false, true}) {
        ASSERT_TRUE(NewSummary(path, 2).ok());
        if (whole) {  // saved by another program: no rows kept apart
            sheet::SpreadsheetApp app({});
            ASSERT_TRUE(app.Open(Real(path)).value()->Save().ok());
        }
        ASSERT_TRUE(AppendSummary(path, 1).ok());
        sheet::SpreadsheetApp app({});
        sheet::Workbook& wb = *app.Open(Real(path)).value();
        EXPECT_EQ(wb.Read(3, 1), CellValue::Str("*")) << whole;
        EXPECT_EQ(wb.Read(3, 2), CellValue::Str("18")) << whole;
        EXPECT_EQ(wb.Read(4, 1), CellValue::Str("א")) << whole;
        EXPECT_EQ(wb.Read(5, 1), CellValue::Str("*")) << whole;
        EXPECT_EQ(wb.Read(5, 2), CellValue::Empty()) << whole;
    }
}

// Twelve runs of 900 payees put the marker past row 10,000; the next run still finds it.
TEST_F(ArchiveWorkbooksTest, AMarkerPastRowTenThousandTakesTheNextRun) {
    const std::string path = "C:\\ZIVRON\\Arhiv\\Zikuyim\\2026\\late.xlsx";
    ASSERT_TRUE(NewSummary(path, 2).ok());
    {
        sheet::SpreadsheetApp app({});
        sheet::Workbook& wb = *app.Open(Real(path)).value();
        ASSERT_TRUE(wb.WriteText(4, 1, "א").ok());
        ASSERT_TRUE(wb.WriteText(12000, 1, "*").ok());
        ASSERT_TRUE(wb.Save().ok());
    }
    ASSERT_TRUE(AppendSummary(path, 1).ok());
    sheet::SpreadsheetApp app({});
    sheet::Workbook& wb = *app.Open(Real(path)).value();
    EXPECT_EQ(wb.Read(12000, 1), CellValue::Str("א"));
    EXPECT_EQ(wb.Read(12001, 1), CellValue::Str("*"));
}

TEST_F(ArchiveWorkbooksTest, ASummaryWithoutItsMarkerIsNeverOverwritten) {
    const std::string path = "C:\\ZIVRON\\Arhiv\\Zikuyim\\2026\\nomark.xlsx";
    ASSERT_TRUE(NewSummary(path, 2).ok());
    {
        sheet::SpreadsheetApp app({});
        sheet::Workbook& wb = *app.Open(Real(path)).value();
        ASSERT_TRUE(wb.WriteNumber(4, 1, 1).ok());  // a number where "*" stood
        ASSERT_TRUE(wb.Save().ok());
    }
    const std::string before = ReadWholeFile(Real(path)).value();
    Status s = AppendSummary(path, 2);
    ASSERT_FALSE(s.ok());
    EXPECT_NE(s.error().message.find("לא נמצא סימן הסוף"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(Real(path)).value(), before);
}

}  // namespace
}  // namespace zivron
