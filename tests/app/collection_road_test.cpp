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
    Result<BuildOutcome> built = session_->Build(Panel::Collection);
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
    EXPECT_EQ(Summary(Panel::Credit).transactions, 4);  // the credit panel keeps its own run
}

}  // namespace
}  // namespace zivron
