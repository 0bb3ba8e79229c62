// The collection road: the same workbook, the collection panel's controls and file variant.

#include <gtest/gtest.h>

#include "support/http_recorder.h"
#include "support/road_fixture.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;
using test::Shown;

class CollectionRoadTest : public test::RoadTest {};

TEST_F(CollectionRoadTest, ImportKeepsAmountTextsAndBuildWritesTheCollectionFile) {
    test::HttpRecorder service;
    port_.service = service.Base();
    fs::path book = WriteRoadWorkbook();
    port_.dialog_answers = {book.string()};
    form_->Command9_Click();
    EXPECT_EQ(form_->TextGove[11].text, "2");
    EXPECT_EQ(form_->TextGove[12].text, "1");
    EXPECT_EQ(form_->TextGove[13].text, "1");
    EXPECT_EQ(form_->TextGove[3].text, "4");
    EXPECT_EQ(form_->TextGove[4].text, "2584.42");  // "1,250" counted as 1250
    EXPECT_EQ(form_->Table[1][6], "1,250");
    EXPECT_EQ(form_->Table[0][6], "1234.5");
    EXPECT_EQ(form_->TextGove[9].text, "");  // the credit panel is not touched
    EXPECT_EQ(form_->ArchivePath, "");

    ChooseInstitution();
    form_->Label4.caption = std::string(60, 'n');
    form_->Check10.value = 1;
    port_.messages.clear();
    form_->Commadddddddddnd8_Click();
    ASSERT_EQ(port_.messages.size(), 1u);
    EXPECT_EQ(port_.messages[0],
              (Shown{"הקובץ נוצר בהצלחה ונמצא בתיקיית השידור", kVendorName, Buttons::Ok}));
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

TEST_F(CollectionRoadTest, ChecksOfferOkAndCancel) {
    form_->Commadddddddddnd8_Click();
    form_->TextGove[0].text = "עמותה";
    form_->Commadddddddddnd8_Click();
    ASSERT_EQ(port_.messages.size(), 2u);
    EXPECT_EQ(port_.messages[0], (Shown{"בחר מוסד", "x", Buttons::OkCancel}));
    EXPECT_EQ(port_.messages[1], (Shown{"מספר תנועות אפס", "x", Buttons::OkCancel}));
}

TEST_F(CollectionRoadTest, WithAllOptionsOffTheWorkbookIsNotWritten) {
    fs::path book = WriteRoadWorkbook();
    const std::string before = ReadWholeFile(book).value();
    form_->Check1.value = form_->Check2.value = form_->Check5.value = 0;
    port_.dialog_answers = {book.string()};
    form_->Command9_Click();
    EXPECT_EQ(form_->TextGove[3].text, "4");
    EXPECT_EQ(form_->TextGove[11].text, "0");
    EXPECT_EQ(form_->Table[0][2], "12-345-674");
    EXPECT_EQ(ReadWholeFile(book).value(), before);
}

TEST_F(CollectionRoadTest, ACollectionReplacesTheCreditFileAndBothCopiesStay) {
    port_.dialog_answers = {WriteRoadWorkbook().string()};
    form_->Command6_Click();
    ChooseInstitution();
    form_->Command5_Click();
    port_.dialog_answers = {WriteRoadWorkbook("payers.xlsx").string()};
    form_->Command9_Click();
    port_.clock.second = 40;
    form_->Commadddddddddnd8_Click();
    EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON/Shidur/msv.001").value(),
              Data("masav/road_collection.001"));
    EXPECT_TRUE(fs::exists(drive_ / "ZIVRON/Arhiv/Zikuyim/2026/12_2026/7_05_30_12.001"));
    EXPECT_TRUE(fs::exists(drive_ / "ZIVRON/Arhiv/Hiuvim/2026/12_2026/7_05_30_40.001"));
    EXPECT_EQ(form_->TextGove[9].text, "4");  // the credit panel keeps its own run
}

}  // namespace
}  // namespace zivron
