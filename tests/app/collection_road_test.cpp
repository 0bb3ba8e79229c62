// The collection road: the same workbook, the collection panel's controls and file variant.

#include <gtest/gtest.h>

#include "support/http_recorder.h"
#include "support/road_fixture.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

class CollectionRoadTest : public test::RoadTest {};

TEST_F(CollectionRoadTest, ImportKeepsAmountTextsAndBuildWritesTheCollectionFile) {
    test::HttpRecorder service;
    port_.service = service.Base();
    fs::path book = WriteRoadWorkbook();
    ASSERT_TRUE(Import(Panel::Collection, book));
    const ImportSummary s = Summary(Panel::Collection);
    EXPECT_EQ(s.typing_errors, 2);
    EXPECT_EQ(s.invalid_accounts, 1);
    EXPECT_EQ(s.invalid_ids, 1);
    EXPECT_EQ(s.transactions, 4);
    EXPECT_EQ(s.total, "2584.42");  // "1,250" counted as 1250
    EXPECT_EQ(TableRows()[1].amount, "1,250");
    EXPECT_EQ(TableRows()[0].amount, "1234.5");
    // The credit panel is not touched.
    EXPECT_FALSE(session_->panel(Panel::Credit).summary.has_value());

    ChooseInstitution();
    session_->SetAccount({std::string(60, 'n'), "A1B2C3"});
    session_->panel(Panel::Collection).archive.detail_workbook = true;
    Result<BuildOutcome> built = Build(Panel::Collection);
    ASSERT_TRUE(built) << built.error().message;
    EXPECT_EQ(built.value().log_fate, ServiceLink::LogFate::Sent);
    const std::string expected = Data("masav/road_collection.001");
    EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value(), expected);
    EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON/Arhiv/Hiuvim/2026/12_2026/7_05_30_12.001").value(),
              expected);
    EXPECT_TRUE(fs::exists(
        drive_ / "ZIVRON/Arhiv/Hiuvim/2026/12_2026/mosad=12345678yom=7_shaa=05_30_12.xlsx"));
    EXPECT_FALSE(fs::exists(drive_ / "ZIVRON/Arhiv/Hiuvim/2026/Rikuz=2026mosad=12345678.xlsx"));

    // The request as the service received it: Windows-1255, percent-encoded, MD cut to 49.
    auto targets = service.Targets();
    ASSERT_EQ(targets.size(), 1u);
    EXPECT_EQ(targets[0], "/AdkenYomanPeilut.asp?MD=" + std::string(49, 'n') +
                              "&MD1=A1B2C3&RH=05:30:12&BA=07/12/2026&YI=4"
                              "&TL1=%F2%EE%E5%FA%FA%20%E4%E3%E2%EE%E4&Sah=2584.42"
                              "&TL=%E7%E9%E5%E1%E9%ED&FX=12345678&FX1=54321&MAIL=desk-7");
}

TEST_F(CollectionRoadTest, ABuildNeedsAnInstitutionAndAnImport) {
    EXPECT_EQ(BuildRefusal(Panel::Collection), "בחר מוסד");
    session_->panel(Panel::Collection).institution_name = "עמותה";
    EXPECT_EQ(BuildRefusal(Panel::Collection), "מספר תנועות אפס");
    EXPECT_TRUE(port_.messages.empty());
}

TEST_F(CollectionRoadTest, WithAllOptionsOffTheWorkbookIsNotWritten) {
    fs::path book = WriteRoadWorkbook();
    const std::string before = ReadWholeFile(book).value();
    session_->panel(Panel::Collection).import = {false, false, false, false};
    ASSERT_TRUE(Import(Panel::Collection, book));
    EXPECT_EQ(Summary(Panel::Collection).transactions, 4);
    EXPECT_EQ(Summary(Panel::Collection).typing_errors, 0);
    EXPECT_EQ(TableRows()[0].id, "12-345-674");
    EXPECT_EQ(ReadWholeFile(book).value(), before);
}

TEST_F(CollectionRoadTest, ACollectionReplacesTheCreditFileAndBothCopiesStay) {
    ASSERT_TRUE(Import(Panel::Credit, WriteRoadWorkbook()));
    ChooseInstitution();
    EXPECT_EQ(BuildRefusal(Panel::Credit), "");
    ASSERT_TRUE(Import(Panel::Collection, WriteRoadWorkbook("payers.xlsx")));
    port_.clock.second = 40;
    EXPECT_EQ(BuildRefusal(Panel::Collection), "");
    EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value(),
              Data("masav/road_collection.001"));
    EXPECT_TRUE(fs::exists(drive_ / "ZIVRON/Arhiv/Zikuyim/2026/12_2026/7_05_30_12.001"));
    EXPECT_TRUE(fs::exists(drive_ / "ZIVRON/Arhiv/Hiuvim/2026/12_2026/7_05_30_40.001"));
    // The table is the collection's now: the credit panel's summary described the last one.
    EXPECT_FALSE(session_->panel(Panel::Credit).summary.has_value());
    EXPECT_EQ(Summary(Panel::Collection).transactions, 4);
}

}  // namespace
}  // namespace zivron

namespace zivron {
namespace {

// The review before every file: what it holds, the marked rows, the weekday, what waits in the
// transmission folder; a date that has passed refused; a review of other data never builds.
TEST_F(CollectionRoadTest, TheReviewBeforeTheFile) {
    ASSERT_TRUE(Import(Panel::Credit, WriteRoadWorkbook()));
    ChooseInstitution();
    struct Case {
        const char* date;  // the clock is Monday 07/12/2026
        std::string refusal;
        std::string weekend_note;
    };
    const std::vector<Case> cases = {
        {"06", "תאריך הערך עבר: 06/12/2026", ""},
        {"07", "", ""},
        {"10", "", ""},
        {"11", "", "יום שישי: מס\"ב אינו פועל בסופי שבוע"},
        {"12", "", "יום שבת: מס\"ב אינו פועל בסופי שבוע"},
    };
    for (const Case& c : cases) {
        session_->panel(Panel::Credit).value_date.day = {{c.date}, 0};
        Result<FileReview> review = session_->Review(Panel::Credit);
        ASSERT_EQ(review ? "" : review.error().message, c.refusal) << c.date;
        if (review) {
            EXPECT_EQ(review.value().weekend_note, c.weekend_note) << c.date;
        }
    }
    session_->panel(Panel::Credit).value_date.day = {{"07"}, 0};
    Result<FileReview> credit = session_->Review(Panel::Credit);
    ASSERT_TRUE(credit);
    const FileReview& r = credit.value();
    EXPECT_EQ(r.payments, 4);
    EXPECT_EQ(r.total, "2584.42");
    EXPECT_EQ(r.marks.size(), 2u);
    EXPECT_TRUE(r.cancel_by_default);  // rows are marked
    EXPECT_FALSE(r.file_waiting);
    EXPECT_NE(r.Text().find("שורה 4\tדוד לוי\tזהות\tספרת ביקורת שגויה\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(drive_ / "ZIVRON/Shidur/msv.001"));  // a review writes nothing
    ASSERT_TRUE(session_->Build(Panel::Credit, r));

    // A collection next: the credit file waiting to be sent is named, and cancel comes first.
    session_->panel(Panel::Collection).import = {true, false, false, false};
    ASSERT_TRUE(Import(Panel::Collection, WriteRoadWorkbook("payers.xlsx")));
    ChooseInstitution();
    Result<FileReview> collection = session_->Review(Panel::Collection);
    ASSERT_TRUE(collection);
    EXPECT_TRUE(collection.value().marks.empty());
    ASSERT_TRUE(collection.value().waiting.has_value());
    EXPECT_EQ(collection.value().waiting->variant, masav::Variant::Credit);
    EXPECT_TRUE(collection.value().cancel_by_default);
    EXPECT_NE(collection.value().Text().find("בתיקיית השידור קובץ זיכויים של מוסד 12345678, "
                                             "תאריך ערך 07/12/2026, 4 תנועות, סך הכל 2584.42"),
              std::string::npos)
        << collection.value().Text();

    // The credit review no longer stands for the table: its build is refused, the file kept.
    const std::string waiting = ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value();
    Result<BuildOutcome> stale = session_->Build(Panel::Collection, r);
    ASSERT_FALSE(stale);
    EXPECT_EQ(stale.error().message, "הנתונים השתנו מאז הסקירה; יש לסקור את הקובץ שוב לפני יצירתו");
    EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value(), waiting);
}

}  // namespace
}  // namespace zivron
