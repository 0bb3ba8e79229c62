// The main window's load, selectors and clock.

#include <gtest/gtest.h>

#include "support/road_fixture.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

class MainWindowTest : public test::RoadTest {};

TEST_F(MainWindowTest, LoadInDecemberOnThe31st) {
    port_.clock = {2026, 12, 31, 10, 0, 0, 0};
    fs::create_directories(drive_ / "ZIVRON" / "Shidur");
    ASSERT_TRUE(WriteFileAtomically(drive_ / "ZIVRON" / "Shidur" / "keep.txt", "old").ok());
    form_->Form_Load();
    for (const char* f :
         {"Arhiv/Hiuvim", "Arhiv/Zikuyim", "Shidur", "Basis/Geviya", "Basis/Haavarot",
          "Geviya/Shidur", "Geviya/Historya", "Haavarot/Shidur", "Haavarot/Historya"}) {
        EXPECT_TRUE(fs::is_directory(drive_ / "ZIVRON" / f)) << f;
    }
    EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON" / "Shidur" / "keep.txt").value(), "old");
    EXPECT_EQ(form_->Combo2.items, std::vector<std::string>{"12"});
    EXPECT_EQ(form_->Combo5.items, std::vector<std::string>{"12"});
    EXPECT_EQ(form_->Combo1.items.size(), 11u);
    EXPECT_EQ(form_->Combo1.Text(), "2026");
    EXPECT_EQ(form_->Combo4.items.back(), "2036");
    EXPECT_EQ(form_->Combo3.items.size(), 31u);
    EXPECT_EQ(form_->Combo3.Text(), "31");
    EXPECT_EQ(form_->Combo6.Text(), "31");
    EXPECT_EQ(form_->Combo2.tag, "BAZEA");
    EXPECT_EQ(form_->ComEditMosad.caption, "קלוט מוסד");
    EXPECT_EQ(form_->ComEditMosad.colour, kAddModeColour);
    EXPECT_FALSE(form_->ComMehakMosad.enabled);

    // December's salaries paid early in January: next year offers every month.
    form_->Combo1.Select("2027");
    form_->Combo1_Click();
    EXPECT_EQ(form_->Combo2.items.size(), 12u);
    EXPECT_EQ(form_->Combo2.Text(), "12");  // the chosen month stays
    form_->Combo2.Select("01");
    form_->Combo2_Click();
    EXPECT_EQ(form_->Combo3.items.size(), 31u);
    form_->Combo4.Select("2027");
    form_->Combo4_Click();
    EXPECT_EQ(form_->Combo5.items.front(), "01");
    form_->Combo4.Select("2026");  // back to this year: December alone again
    form_->Combo4_Click();
    EXPECT_EQ(form_->Combo5.items, std::vector<std::string>{"12"});
}

TEST_F(MainWindowTest, FebruaryOfALeapYearAndTheYearChangedAfterwards) {
    port_.clock = {2027, 1, 15, 10, 0, 0, 0};
    form_->Form_Load();
    form_->Combo1.Select("2028");
    form_->Combo2.Select("02");
    form_->Combo2_Click();
    EXPECT_EQ(form_->Combo3.items.size(), 29u);
    EXPECT_EQ(form_->Combo3.Text(), "01");
    form_->Combo3.Select("29");
    form_->Combo1.Select("2027");  // choosing a year rebuilds the chosen month's days
    form_->Combo1_Click();
    EXPECT_EQ(form_->Combo3.items.size(), 28u);
    EXPECT_EQ(form_->Combo3.Text(), "28");
    form_->Combo1.Select("2028");
    form_->Combo1_Click();
    EXPECT_EQ(form_->Combo3.items.size(), 29u);
    form_->Combo5.Select("02");
    form_->Combo5_Click();
    EXPECT_EQ(form_->Combo6.items.size(), 28u);
    form_->Combo2.tag = "DALEG";
    form_->Combo2.Select("04");
    form_->Combo2_Click();
    EXPECT_EQ(form_->Combo3.items.size(), 29u);
}

TEST_F(MainWindowTest, TheClockEndsTheProgramAtTwo) {
    const std::pair<LocalTime, bool> ticks[] = {
        {{2026, 12, 8, 1, 59, 59, 0}, false},
        {{2026, 12, 8, 2, 0, 0, 0}, true},
        {{2026, 12, 8, 2, 59, 59, 0}, true},
        {{2026, 12, 8, 12, 2, 0, 0}, false},
    };
    for (const auto& [t, ends] : ticks) {
        port_.clock = t;
        port_.ended = false;
        form_->Timer1_Timer();
        EXPECT_EQ(port_.ended, ends) << form_->Label7.caption;
    }
    EXPECT_EQ(form_->Label7.caption, "12:02:00");
}

TEST_F(MainWindowTest, ArchiveButtonsAndExit) {
    form_->ComArhivZikuy_Click(1);
    form_->ComArhivZikuy_Click(2);
    EXPECT_EQ(port_.opened, (std::vector<fs::path>{drive_ / "ZIVRON/Arhiv/Zikuyim",
                                                   drive_ / "ZIVRON/Arhiv/Hiuvim"}));
    form_->Command285_Click();
    EXPECT_TRUE(port_.ended);
}

}  // namespace
}  // namespace zivron
