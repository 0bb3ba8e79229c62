// Killed at any moment, the program leaves every file either as it was or as it was to become:
// msv.001, a workbook saved in place, and a summary workbook that never loses a row.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "masav/masav_file.h"
#include "support/drive_fixture.h"
#include "workbooks/archive_workbooks.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

class CrashSafetyTest : public test::DriveTest {};

std::string MasavOf(int rows) {
    std::vector<masav::Row> r(static_cast<std::size_t>(rows),
                              {"שם", "18", "12", "600", "100006", "1"});
    masav::FileInput in;
    in.institution = {"12345678", "54321", "עמותה"};
    in.date = {7, 12, 2026};
    in.rows = r;
    return masav::BuildFile(in).value();
}

TEST_F(CrashSafetyTest, KilledWhileWritingLeavesOldOrNew) {
    const fs::path msv = drive_ / "msv.001";
    const fs::path book = drive_ / "book.xlsx";
    const std::string summary = "C:\\summary.xlsx";
    fs::create_directories(drive_);
    ASSERT_TRUE(WriteFileAtomically(msv, MasavOf(1)).ok());
    {
        sheet::SpreadsheetApp app({});
        sheet::Workbook& wb = *app.Add();
        ASSERT_TRUE(wb.WriteText(1, 1, "0").ok());
        ASSERT_TRUE(wb.SaveAs(book).ok());
    }
    std::vector<masav::Row> run;
    for (int i = 0; i < 3; ++i) {
        run.push_back({"שם " + std::to_string(i), "18", "12", "600", "100006", "5"});
    }
    {
        sheet::SpreadsheetApp app({});
        ASSERT_TRUE(WriteNewSummaryWorkbook(app, run, Real(summary), port_.Now()).ok());
    }

    std::mt19937 random(12345);
    int last_summary_rows = 3;
    for (int round = 0; round < 60; ++round) {
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // Writes as fast as it can until it is killed.
            for (int n = 2;; ++n) {
                (void)WriteFileAtomically(msv, MasavOf(1 + n % 40));
                sheet::SpreadsheetApp app({});
                if (auto wb = app.Open(book)) {
                    (void)wb.value()->WriteText(1 + n % 300, 1 + n % 6, std::to_string(n));
                    (void)wb.value()->Save();
                }
                sheet::SpreadsheetApp summaries({});
                (void)AppendSummaryWorkbook(summaries, run, Real(summary), port_.Now());
            }
        }
        ::usleep(std::uniform_int_distribution<int>(2000, 60000)(random));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);

        const std::string m = ReadWholeFile(msv).value();
        ASSERT_EQ(m.size() % 130, 0u) << "round " << round;
        ASSERT_EQ(m, MasavOf(static_cast<int>(m.size() / 130) - 3)) << "round " << round;

        sheet::SpreadsheetApp app({});
        ASSERT_TRUE(app.Open(book).ok()) << "round " << round;
        Result<sheet::Workbook*> s = app.Open(Real(summary));
        ASSERT_TRUE(s.ok()) << "round " << round;
        int rows = 0;
        while (sheet::CellText(s.value()->Read(rows + 2, 1)) != "*") {
            ASSERT_FALSE(sheet::CellText(s.value()->Read(rows + 2, 1)).empty())
                << "round " << round;
            ++rows;
        }
        EXPECT_EQ(rows % 3, 0) << "a run appended in part";
        EXPECT_GE(rows, last_summary_rows) << "round " << round;
        last_summary_rows = rows;
        for (const fs::directory_entry& e : fs::directory_iterator(drive_)) {
            // Leftover temporary files of a killed save are hidden and never taken for the file.
            const std::string name = e.path().filename().string();
            EXPECT_TRUE(name[0] == '.' || name == "msv.001" || name == "book.xlsx" ||
                        name == "summary.xlsx")
                << name;
        }
    }
    EXPECT_GT(last_summary_rows, 3);  // the runs did get their rows in
}

}  // namespace
}  // namespace zivron
