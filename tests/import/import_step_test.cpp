// The import step on its own, without a window: what it finds, marks and hands back.

#include "import/import_step.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

namespace zivron {
namespace {

TEST(ImportWorkbook, CountsMarksAndRowsByTheOptions) {
    struct Case {
        ImportOptions options;
        int typing, accounts, ids;
        std::size_t marks;
    };
    const Case cases[] = {
        {{Panel::Credit, true, true, true, RuleSet::Original}, 1, 1, 1, 2},
        {{Panel::Credit, true, true, true, RuleSet::Current}, 1, 0, 1, 1},
        {{Panel::Collection, false, false, false, RuleSet::Original}, 0, 0, 0, 0},
        {{Panel::Credit, true, false, true, RuleSet::Original}, 1, 0, 1, 1},
    };
    for (const Case& c : cases) {
        sheet::SpreadsheetApp app({});
        sheet::Workbook& wb = *app.Add();
        const char* rows[][6] = {{"א", "18", "12", "6-00", "100006", "1,250"},
                                 {"ב", "17", "12", "600", "100018", "0.015"},
                                 {"x", "", "", "", "", ""}};
        for (int r = 0; r < 3; ++r) {
            for (int col = 0; col < 6; ++col) {
                if (*rows[r][col] != '\0') {
                    ASSERT_TRUE(wb.WriteText(r + 2, col + 1, rows[r][col]).ok());
                }
            }
        }
        const auto path = std::filesystem::temp_directory_path() /
                          ("zivron-import-step-" + std::to_string(::getpid()) + ".xlsx");
        ASSERT_TRUE(wb.SaveAs(path).ok());  // the step saves what it changed in place
        int reports = 0;
        Result<ImportOutcome> out =
            ImportWorkbook(wb, c.options,
                           [&](ImportPass, int, int found, const std::string&) {
                               EXPECT_EQ(found, 2);
                               ++reports;
                           },
                           {});
        ASSERT_TRUE(out.ok());
        EXPECT_EQ(out.value().typing_errors, c.typing);
        EXPECT_EQ(out.value().invalid_accounts, c.accounts);
        EXPECT_EQ(out.value().invalid_ids, c.ids);
        EXPECT_EQ(out.value().marks.size(), c.marks);
        ASSERT_EQ(out.value().rows.size(), 2u);
        // Credit amounts are read by their value; collection keeps the text.
        EXPECT_EQ(out.value().rows[0].amount, c.options.panel == Panel::Credit ? "1250" : "1,250");
        EXPECT_EQ(out.value().total_agorot, 125002);  // 1250.00 + 0.02, as the details carry them
        EXPECT_EQ(out.value().rows[0].branch, c.options.fix ? "600" : "6-00");
        EXPECT_GE(reports, 2);
        std::filesystem::remove(path);
    }
}

}  // namespace
}  // namespace zivron
