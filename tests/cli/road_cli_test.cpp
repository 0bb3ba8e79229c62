// zivron-cli credit / collection, run as a real process.

#include <gtest/gtest.h>

#include "support/drive_fixture.h"
#include "support/process.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

class RoadCliTest : public test::DriveTest {
  protected:
    test::ProcessResult Cli(std::vector<std::string> args) {
        return test::RunProcess(ZIVRON_CLI, args,
                                {{"ZIVRON_DRIVE_C", drive_.string()},
                                 {"ZIVRON_SERVICE_URL", "http://127.0.0.1:1"},
                                 {"ZIVRON_TODAY", "07/12/2026"}});
    }
};

TEST_F(RoadCliTest, CreditPrintsTheSummaryAndThePath) {
    fs::path book = WriteRoadWorkbook();
    const std::vector<std::string> args = {
        "credit", book.string(), "--institution-code", "12345678",     "--software-code",
        "54321",  "--name",      "עמותת הדגמה",        "--value-date", "07/12/2026"};
    // Two rows are marked: the review lists them and nothing is made until the operator says so.
    auto refused = Cli(args);
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.err.find("שורות מסומנות: 2\n"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("שורה 4\tדוד לוי\tזהות\tספרת ביקורת שגויה\n"), std::string::npos);
    EXPECT_TRUE(refused.err.ends_with("--allow-marked\n")) << refused.err;
    EXPECT_FALSE(fs::exists(drive_ / "ZIVRON/Shidur/msv.001"));

    WriteRoadWorkbook();  // as it was before the first run fixed it
    std::vector<std::string> allowed = args;
    allowed.push_back("--allow-marked");
    auto r = Cli(allowed);
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err.rfind("קובץ זיכויים (העברות)\nמוסד: עמותת הדגמה (קוד 12345678)\n"
                          "תאריך ערך: 07/12/2026, יום שני\nמספר תשלומים: 4\nסך הכל: 2584.42\n",
                          0),
              0u)
        << r.err;
    const fs::path msv = drive_ / "ZIVRON/Shidur/msv.001";
    EXPECT_EQ(r.out,
              "typing-errors=2 invalid-accounts=1 invalid-ids=1 transactions=4 "
              "total=2584.42\n" +
                  msv.string() + "\n");
    EXPECT_EQ(ReadWholeFile(msv).value(), Data("masav/road_credit.001"));
}

TEST_F(RoadCliTest, CollectionWithoutPassesLeavesTheWorkbookAsItWas) {
    fs::path book = WriteRoadWorkbook();
    const std::string before = ReadWholeFile(book).value();
    auto r = Cli({"collection", book.string(), "--institution-code", "12345678", "--software-code",
                  "54321", "--name", "עמותת הדגמה", "--value-date", "07/12/2026", "--no-fix",
                  "--no-mark-accounts", "--no-mark-ids", "--detail", "--summary"});
    // Unfixed, the identity number 12-345-674 is no number: the builder refuses it.
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.out,
              "typing-errors=0 invalid-accounts=0 invalid-ids=0 transactions=4 total=2584.42\n");
    EXPECT_TRUE(r.err.ends_with(
        "בתיקיית השידור אין קובץ\n"
        "בתנועה 1 (שורה 2 בגיליון) מספר הזהות (12-345-674) אינו מספר; יש לתקן את החוברת "
        "ולקלוט אותה מחדש\n"))
        << r.err;
    EXPECT_EQ(ReadWholeFile(book).value(), before);
}

// With an account and the service away, the run succeeds and its entry waits in the outbox.
TEST_F(RoadCliTest, AnEntryForAServiceThatIsAwayWaits) {
    fs::path book = WriteRoadWorkbook();
    auto r = Cli({"credit", book.string(), "--institution-code", "12345678", "--software-code",
                  "54321", "--name", "עמותת הדגמה", "--value-date", "07/12/2026", "--account-name",
                  "עמותה", "--account-number", "123", "--allow-marked"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_TRUE(r.err.ends_with("\nהשירות אינו זמין: רישום הפעילות נשמר ויישלח כשהשירות יחזור\n"))
        << r.err;
    EXPECT_NE(ReadWholeFile(test::UserData("outbox")).value().find("MD1=123"), std::string::npos);
}

TEST_F(RoadCliTest, ExplainPrintsEveryMarkWithItsReason) {
    fs::path book = WriteRoadWorkbook();
    auto r = Cli({"credit", book.string(), "--institution-code", "12345678", "--software-code",
                  "54321", "--name", "עמותת הדגמה", "--value-date", "07/12/2026", "--explain",
                  "--current-rules", "--allow-marked"});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    EXPECT_EQ(r.err.rfind("שורה 4\tדוד לוי\tזהות\tספרת ביקורת שגויה\n"
                          "שורה 5\tO'Neil. Ltd\tסניף\tסניף 826 אינו ברשימת בנק ישראל\t"
                          "בנק מזרחי טפחות בע\"מ / סניף 826\nקובץ זיכויים",
                          0),
              0u)
        << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
              "typing-errors=2 invalid-accounts=0 invalid-ids=1 transactions=4 total=2584.42");
}

TEST_F(RoadCliTest, RefusalsAndBadArguments) {
    fs::path book = WriteRoadWorkbook();
    auto bad_date = Cli({"credit", book.string(), "--institution-code", "1", "--software-code", "2",
                         "--name", "n", "--value-date", "31/02/2026"});
    EXPECT_EQ(bad_date.exit_code, 1);
    EXPECT_EQ(bad_date.err, "תאריך הערך אינו תאריך תקין\n");
    EXPECT_FALSE(fs::exists(drive_ / "ZIVRON/Shidur/msv.001"));
    // Yesterday has passed; today is taken.
    auto yesterday = Cli({"credit", book.string(), "--institution-code", "1", "--software-code",
                          "2", "--name", "n", "--value-date", "06/12/2026", "--allow-marked"});
    EXPECT_EQ(yesterday.exit_code, 1);
    EXPECT_EQ(yesterday.err, "תאריך הערך עבר: 06/12/2026\n");
    EXPECT_FALSE(fs::exists(drive_ / "ZIVRON/Shidur/msv.001"));
    auto today = Cli({"credit", book.string(), "--institution-code", "1", "--software-code", "2",
                      "--name", "n", "--value-date", "07/12/2026", "--allow-marked"});
    EXPECT_EQ(today.exit_code, 0) << today.err;

    auto missing = Cli({"credit", (dir_ / "none.xlsx").string(), "--institution-code", "1",
                        "--software-code", "2", "--name", "n"});
    EXPECT_EQ(missing.exit_code, 1);
    EXPECT_NE(missing.err.find("לא ניתן לפתוח את הקובץ"), std::string::npos) << missing.err;

    // An empty name is the window's empty box: the import runs, the builder refuses.
    auto no_name = Cli(
        {"credit", book.string(), "--institution-code", "1", "--software-code", "2", "--name", ""});
    EXPECT_EQ(no_name.exit_code, 1);
    EXPECT_EQ(no_name.err, "בחר מוסד\n");

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"credit"},
             {"credit", book.string()},
             {"credit", book.string(), "--institution-code"},
             {"credit", book.string(), "--bogus", "--institution-code", "1", "--software-code", "2",
              "--name", "n"},
             {"collection", book.string(), "--leumi", "--institution-code", "1", "--software-code",
              "2", "--name", "n"},
         }) {
        auto r = Cli(args);
        EXPECT_EQ(r.exit_code, 2);
        EXPECT_EQ(r.err.rfind("usage:", 0), 0u);
    }
}

}  // namespace
}  // namespace zivron

namespace zivron {
namespace {

// The payee guard from the command line: a known payee's new account stops the run until the
// operator accepts it; the history shows the payee's runs and is erased on request.
TEST_F(RoadCliTest, AChangedAccountNeedsAcceptChanges) {
    const std::vector<std::string> run = {
        "credit",        "",       "--institution-code", "12345678",     "--software-code",
        "54321",         "--name", "עמותת הדגמה",        "--value-date", "07/12/2026",
        "--allow-marked"};
    auto with = [&run](const fs::path& book, std::vector<std::string> more) {
        std::vector<std::string> args = run;
        args[1] = book.string();
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const fs::path book = WriteRoadWorkbook();
    ASSERT_EQ(Cli(with(book, {})).exit_code, 0);
    {
        sheet::SpreadsheetApp app({});
        sheet::Workbook& wb = *app.Open(book).value();
        ASSERT_TRUE(wb.WriteText(3, 5, "1003").ok());  // שרה כהן's account, one digit off
        ASSERT_TRUE(wb.Save().ok());
    }
    const std::string before = ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value();
    auto refused = Cli(with(book, {}));
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_NE(refused.err.find("שורה 3 (שרה כהן): חשבון חדש למוטב קיים: היה 20-826-10001 או "
                               "10-936-1002 (07/12/2026)\n"),
              std::string::npos)
        << refused.err;
    EXPECT_TRUE(refused.err.ends_with("--accept-changes\n")) << refused.err;
    EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value(), before);
    EXPECT_EQ(Cli(with(book, {"--accept-changes"})).exit_code, 0);

    auto shown = test::RunProcess(ZIVRON_CLI, {"history", "show", "18"});
    ASSERT_EQ(shown.exit_code, 0) << shown.err;
    // The road workbook pays identity number 18 twice a run: שרה כהן and O'Neil.
    EXPECT_EQ(shown.out,
              "07/12/2026\t12345678\tזיכוי\tשרה כהן\t10-936-000001002\t1250.00\n"
              "07/12/2026\t12345678\tזיכוי\tO'Neil. Ltd\t20-826-000010001\t0.02\n"
              "07/12/2026\t12345678\tזיכוי\tשרה כהן\t10-936-000001003\t1250.00\n"
              "07/12/2026\t12345678\tזיכוי\tO'Neil. Ltd\t20-826-000010001\t0.02\n");
    EXPECT_EQ(
        test::RunProcess(ZIVRON_CLI, {"history", "erase", "--institution", "12345678"}).exit_code,
        0);
    EXPECT_EQ(test::RunProcess(ZIVRON_CLI, {"history", "show", "18"}).out, "");
    EXPECT_EQ(test::RunProcess(ZIVRON_CLI, {"history", "bogus"}).exit_code, 2);

    // A new installation starts from the yearly summary the runs left.
    ASSERT_EQ(Cli(with(WriteRoadWorkbook(), {"--summary", "--accept-changes"})).exit_code, 0);
    ASSERT_EQ(test::RunProcess(ZIVRON_CLI, {"history", "erase"}).exit_code, 0);
    const fs::path summary = drive_ / "ZIVRON/Arhiv/Zikuyim/2026/Rikuz=2026mosad=12345678.xlsx";
    auto imported = test::RunProcess(ZIVRON_CLI, {"history", "import", summary.string()});
    ASSERT_EQ(imported.exit_code, 0) << imported.err;
    EXPECT_EQ(imported.out, "runs=1 rows=4\n");
    EXPECT_EQ(test::RunProcess(ZIVRON_CLI, {"history", "show", "123456789"}).out,
              "07/12/2026\t12345678\tזיכוי\tדוד לוי\t12-600-000100018\t99.90\n");
}

}  // namespace
}  // namespace zivron
