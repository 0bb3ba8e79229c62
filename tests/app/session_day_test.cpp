// The session's day: the folders and value dates it starts with, the selectors, the clock.

#include <gtest/gtest.h>

#include "support/road_fixture.h"

namespace zivron {
namespace {

namespace fs = std::filesystem;

class SessionDayTest : public test::RoadTest {
  protected:
    Choice& Day(Panel p) { return session_->panel(p).value_date.day; }
    Choice& Month(Panel p) { return session_->panel(p).value_date.month; }
    Choice& Year(Panel p) { return session_->panel(p).value_date.year; }
};

TEST_F(SessionDayTest, LoadInDecemberOnThe31st) {
    port_.clock = {2026, 12, 31, 10, 0, 0, 0};
    fs::create_directories(drive_ / "ZIVRON" / "Shidur");
    ASSERT_TRUE(WriteFileAtomically(drive_ / "ZIVRON" / "Shidur" / "keep.txt", "old").ok());
    session_->Prepare();
    for (const char* f :
         {"Arhiv/Hiuvim", "Arhiv/Zikuyim", "Shidur", "Basis/Geviya", "Basis/Haavarot",
          "Geviya/Shidur", "Geviya/Historya", "Haavarot/Shidur", "Haavarot/Historya"}) {
        EXPECT_TRUE(fs::is_directory(drive_ / "ZIVRON" / f)) << f;
    }
    EXPECT_EQ(ReadWholeFile(drive_ / "ZIVRON" / "Shidur" / "keep.txt").value(), "old");
    EXPECT_EQ(Month(Panel::Credit).items, std::vector<std::string>{"12"});
    EXPECT_EQ(Month(Panel::Collection).items, std::vector<std::string>{"12"});
    EXPECT_EQ(Year(Panel::Credit).items.size(), 11u);
    EXPECT_EQ(Year(Panel::Credit).Text(), "2026");
    EXPECT_EQ(Year(Panel::Collection).items.back(), "2036");
    // This month's days start at today: a value date that has passed is no choice.
    EXPECT_EQ(Day(Panel::Credit).items, std::vector<std::string>{"31"});
    EXPECT_EQ(Day(Panel::Credit).Text(), "31");
    EXPECT_EQ(Day(Panel::Collection).Text(), "31");
    EXPECT_FALSE(session_->editor().updating);  // ready to add an institution
    EXPECT_FALSE(session_->editor().can_delete);

    // December's salaries paid early in January: next year offers every month.
    Year(Panel::Credit).Select("2027");
    session_->ValueDateYearChosen(Panel::Credit);
    EXPECT_EQ(Month(Panel::Credit).items.size(), 12u);
    EXPECT_EQ(Month(Panel::Credit).Text(), "12");  // the chosen month stays
    Month(Panel::Credit).Select("01");
    session_->ValueDateMonthChosen(Panel::Credit);
    EXPECT_EQ(Day(Panel::Credit).items.size(), 31u);
    Year(Panel::Collection).Select("2027");
    session_->ValueDateYearChosen(Panel::Collection);
    EXPECT_EQ(Month(Panel::Collection).items.front(), "01");
    Year(Panel::Collection).Select("2026");  // back to this year: December alone again
    session_->ValueDateYearChosen(Panel::Collection);
    EXPECT_EQ(Month(Panel::Collection).items, std::vector<std::string>{"12"});
}

TEST_F(SessionDayTest, FebruaryOfALeapYearAndTheYearChangedAfterwards) {
    port_.clock = {2027, 1, 15, 10, 0, 0, 0};
    session_->Prepare();
    Year(Panel::Credit).Select("2028");
    Month(Panel::Credit).Select("02");
    session_->ValueDateMonthChosen(Panel::Credit);
    EXPECT_EQ(Day(Panel::Credit).items.size(), 29u);
    EXPECT_EQ(Day(Panel::Credit).Text(), "01");
    Day(Panel::Credit).Select("29");
    Year(Panel::Credit).Select("2027");  // choosing a year rebuilds the chosen month's days
    session_->ValueDateYearChosen(Panel::Credit);
    EXPECT_EQ(Day(Panel::Credit).items.size(), 28u);
    EXPECT_EQ(Day(Panel::Credit).Text(), "28");
    Year(Panel::Credit).Select("2028");
    session_->ValueDateYearChosen(Panel::Credit);
    EXPECT_EQ(Day(Panel::Credit).items.size(), 29u);
    Month(Panel::Collection).Select("02");
    session_->ValueDateMonthChosen(Panel::Collection);
    EXPECT_EQ(Day(Panel::Collection).items.size(), 28u);
}

TEST_F(SessionDayTest, TheClockEndsTheProgramAtTwo) {
    const std::pair<LocalTime, bool> ticks[] = {
        {{2026, 12, 8, 1, 59, 59, 0}, false},
        {{2026, 12, 8, 2, 0, 0, 0}, true},
        {{2026, 12, 8, 2, 59, 59, 0}, true},
        {{2026, 12, 8, 12, 2, 0, 0}, false},
    };
    for (const auto& [t, ends] : ticks) {
        port_.clock = t;
        port_.ended = false;
        session_->Tick();
        EXPECT_EQ(port_.ended, ends) << session_->clock_text();
    }
    EXPECT_EQ(session_->clock_text(), "12:02:00");
}

TEST_F(SessionDayTest, ArchiveButtonsAndExit) {
    session_->OpenArchiveFolder(Panel::Credit);
    session_->OpenArchiveFolder(Panel::Collection);
    EXPECT_EQ(port_.opened, (std::vector<fs::path>{drive_ / "ZIVRON/Arhiv/Zikuyim",
                                                   drive_ / "ZIVRON/Arhiv/Hiuvim"}));
    session_->Exit();
    EXPECT_TRUE(port_.ended);
}

}  // namespace
}  // namespace zivron
