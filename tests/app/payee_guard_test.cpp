// The payee guard at the review: a known payee's new account, a payee twice, one account for two
// payees, an amount far from the usual, new payees; the history written only by a file made.

#include <gtest/gtest.h>

#include "history/history_import.h"
#include "history/payee_history.h"
#include "support/road_fixture.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;
using Cells = std::array<std::string, 6>;

class PayeeGuardTest : public test::RoadTest {
  protected:
    void SetUp() override {
        RoadTest::SetUp();
        session_->history_path = dir_ / "history.sqlite";
        // Three earlier runs of the institution: two payees, the same account and amount each.
        PayeeHistory history = PayeeHistory::Open(session_->history_path).value();
        for (int day : {3, 10, 17}) {
            const std::vector<masav::Row> run = {
                {"ישראל ישראלי", "000000018", "12", "600", "100006", "100"},
                {"שרה כהן", "000000026", "10", "936", "1002", "2500"},
            };
            ASSERT_TRUE(history.Record("12345678", masav::Variant::Credit, {day, 11, 2026}, run));
        }
    }
    fs::path Workbook(const std::vector<Cells>& rows) {
        sheet::SpreadsheetApp app({});
        sheet::Workbook& wb = *app.Add();
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (int c = 0; c < 6; ++c) {
                (void)wb.WriteText(static_cast<int>(r) + 2, c + 1,
                                   rows[r][static_cast<std::size_t>(c)]);
            }
        }
        const fs::path p = dir_ / "guarded.xlsx";
        EXPECT_TRUE(wb.SaveAs(p).ok());
        return p;
    }
    std::size_t Paid(const std::string& id) {
        return PayeeHistory::Open(session_->history_path).value().PaymentsTo(id).value().size();
    }
};

const Cells kIsrael{"ישראל ישראלי", "000000018", "12", "600", "100006", "100"};
const Cells kSara{"שרה כהן", "000000026", "10", "936", "1002", "2500"};

TEST_F(PayeeGuardTest, FindingsAtTheReview) {
    struct Case {
        const char* what;
        std::vector<Cells> rows;
        bool warn_new_payees;
        std::vector<std::string> findings;
        int new_payees;
    };
    const std::vector<Case> cases = {
        {"as before", {kIsrael, kSara}, false, {}, 0},
        {"a known payee's new account",
         {{"ישראל ישראלי", "000000018", "12", "600", "100018", "100"}, kSara},
         false,
         {"שורה 2 (ישראל ישראלי): חשבון חדש למוטב קיים: היה 12-600-100006 (17/11/2026)"},
         0},
        {"a payee twice",
         {kIsrael, kSara, kIsrael},
         false,
         {"שורה 4 (ישראל ישראלי): מספר הזהות 000000018 מופיע גם בשורה 2"},
         0},
        {"one account under two payees",
         {kIsrael, {"דוד לוי", "000000034", "12", "600", "100006", "100"}},
         false,
         {"שורה 3 (דוד לוי): החשבון 12-600-100006 רשום גם למספר הזהות 000000018 בשורה 2"},
         1},
        {"ten times the usual amount",
         {{"ישראל ישראלי", "000000018", "12", "600", "100006", "1000"}, kSara},
         false,
         {"שורה 2 (ישראל ישראלי): סכום 1000.00 רחוק מהרגיל למוטב (חציון 100.00 ב-3 התשלומים "
          "האחרונים)"},
         0},
        {"a new payee counted",
         {kIsrael, {"רחל", "000000034", "20", "826", "10001", "5"}},
         false,
         {},
         1},
        {"a new payee named when asked",
         {kIsrael, {"רחל", "000000034", "20", "826", "10001", "5"}},
         true,
         {"שורה 3 (רחל): מוטב חדש"},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        session_->panel(Panel::Credit).warn_new_payees = c.warn_new_payees;
        ASSERT_TRUE(Import(Panel::Credit, Workbook(c.rows)));
        ChooseInstitution();
        Result<FileReview> review = session_->Review(Panel::Credit);
        ASSERT_TRUE(review) << review.error().message;
        std::vector<std::string> findings;
        for (const PayeeFinding& f : review.value().findings) {
            findings.push_back(f.text);
        }
        EXPECT_EQ(findings, c.findings);
        EXPECT_EQ(review.value().new_payees, c.new_payees);
        EXPECT_EQ(review.value().history_fault, "");
    }
}

// A changed account needs the operator's word; without it nothing is made and the history is as
// it was. Made, the file's rows join the history, and its bytes are those of any other file.
TEST_F(PayeeGuardTest, AChangedAccountIsBuiltOnlyWhenAccepted) {
    ASSERT_TRUE(Import(Panel::Credit,
                       Workbook({{"ישראל ישראלי", "000000018", "12", "600", "100018", "100"}})));
    ChooseInstitution();
    Result<FileReview> review = session_->Review(Panel::Credit);
    ASSERT_TRUE(review);
    EXPECT_TRUE(review.value().AccountChanged());
    EXPECT_TRUE(review.value().cancel_by_default);
    Result<BuildOutcome> refused = session_->Build(Panel::Credit, review.value());
    ASSERT_FALSE(refused);
    EXPECT_FALSE(fs::exists(drive_ / "ZIVRON/Shidur/msv.001"));
    EXPECT_EQ(Paid("18"), 3u);  // a refused run adds nothing

    review.value().changes_accepted = true;
    Result<BuildOutcome> built = session_->Build(Panel::Credit, review.value());
    ASSERT_TRUE(built) << built.error().message;
    EXPECT_EQ(built.value().history_fault, "");
    EXPECT_EQ(Paid("18"), 4u);
    // Who was paid how much, and into which account, is the user's alone.
    EXPECT_EQ(fs::status(session_->history_path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    // The next review compares with the account just paid.
    Result<FileReview> next = session_->Review(Panel::Credit);
    ASSERT_TRUE(next);
    EXPECT_FALSE(next.value().AccountChanged());
}

// A summary workbook the program wrote fills a new history: each run its own.
TEST_F(PayeeGuardTest, HistoryImportOfASummaryWorkbook) {
    ASSERT_TRUE(Import(Panel::Credit, Workbook({kIsrael, kSara})));
    ChooseInstitution();
    session_->panel(Panel::Credit).archive.summary_workbook = true;
    ASSERT_EQ(BuildRefusal(Panel::Credit), "");
    port_.clock.hour = 9;
    ASSERT_EQ(BuildRefusal(Panel::Credit), "");  // a second run, later that day
    const fs::path summary = drive_ / "ZIVRON/Arhiv/Zikuyim/2026/Rikuz=2026mosad=12345678.xlsx";
    const std::optional<SummarySource> source = SourceOfSummaryPath(summary);
    ASSERT_TRUE(source.has_value());
    EXPECT_EQ(source->institution, "12345678");
    EXPECT_EQ(source->variant, masav::Variant::Credit);
    EXPECT_FALSE(SourceOfSummaryPath(dir_ / "other.xlsx").has_value());

    sheet::SpreadsheetApp app({});
    Result<std::vector<std::vector<PastPayment>>> runs = ReadSummaryRuns(app, summary, *source);
    ASSERT_TRUE(runs) << runs.error().message;
    ASSERT_EQ(runs.value().size(), 2u);
    const PastPayment& first = runs.value()[0][0];
    EXPECT_EQ(first.identity, "000000018");
    EXPECT_EQ(first.account, "000100006");
    EXPECT_EQ(first.agorot, 10000);
    EXPECT_EQ(first.value_date.day, 7);  // the day the run was made
    EXPECT_EQ(runs.value()[1][1].name, "שרה כהן");
}

}  // namespace
}  // namespace zivron
