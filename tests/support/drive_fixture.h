#pragma once
// A recording port with the drive root in the test's own folder, and the road workbook: four
// payees, two typing errors, one bad account, one bad identity number.

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/atomic_file.h"
#include "spreadsheet/workbook.h"
#include "support/recording_port.h"
#include "support/temp_dir.h"

namespace zivron::test {

class DriveTest : public TempDirTest {
  protected:
    void SetUp() override {
        TempDirTest::SetUp();
        original_cwd_ = std::filesystem::current_path();
        drive_ = dir_ / "c";
        std::filesystem::create_directories(drive_);
        setenv("ZIVRON_DRIVE_C", drive_.c_str(), 1);
    }
    void TearDown() override {
        std::filesystem::current_path(original_cwd_);
        unsetenv("ZIVRON_DRIVE_C");
        TempDirTest::TearDown();
    }

    // Cell kinds as an operator's workbook has them: some numbers, some texts.
    std::filesystem::path WriteRoadWorkbook(const std::string& name = "payees.xlsx") {
        sheet::SpreadsheetApp app({});
        sheet::Workbook& wb = *app.Add();
        auto text = [&](int r, int c, const char* t) { (void)wb.WriteText(r, c, t); };
        auto num = [&](int r, int c, double v) { (void)wb.WriteNumber(r, c, v); };
        text(1, 1, "שם");
        text(1, 6, "סכום");
        text(2, 1, "ישראל ישראלי");
        text(2, 2, "12-345-674");
        num(2, 3, 12);
        num(2, 4, 600);
        text(2, 5, "100006");
        num(2, 6, 1234.5);
        text(3, 1, "שרה כהן");
        num(3, 2, 18);
        text(3, 3, "10");
        text(3, 4, "936");
        text(3, 5, "1002");
        text(3, 6, "1,250");
        text(4, 1, "דוד לוי");
        text(4, 2, "123456789");
        text(4, 3, "12");
        text(4, 4, "600");
        text(4, 5, "100018");
        text(4, 6, "99.9");
        text(5, 1, "O'Neil. Ltd");
        text(5, 2, "000000018");
        text(5, 3, "2 0");
        num(5, 4, 826);
        num(5, 5, 10001);
        num(5, 6, 0.015);
        text(6, 1, "x");
        text(7, 1, "after the end");
        text(7, 2, "1");
        text(7, 3, "12");
        text(7, 4, "1");
        text(7, 5, "1");
        num(7, 6, 5);
        std::filesystem::path p = dir_ / name;
        EXPECT_TRUE(wb.SaveAs(p).ok());
        return p;
    }

    std::string Data(const std::string& relative) {
        return ReadWholeFile(std::filesystem::path(ZIVRON_TEST_DATA) / relative).value();
    }
    std::filesystem::path Real(const std::string& written) const {
        std::string rel = written.substr(3);  // after "C:\"
        for (char& c : rel) {
            if (c == '\\') {
                c = '/';
            }
        }
        return drive_ / rel;
    }

    RecordingPort port_;
    std::filesystem::path drive_;
    std::filesystem::path original_cwd_;
};

}  // namespace zivron::test
