#include "text/shaping.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace zivron {
namespace {

struct FillCase {
    const char* text;
    int width;
    const char* expected;
};

TEST(PadLeftWithZeros, ZeroFillsOnTheLeftAndKeepsTheText) {
    const FillCase cases[] = {
        {"0012", 6, "000012"},    {"", 8, "00000000"},
        {"x", 9, "000000000"},    {"X", 3, "000"},
        {"0", 3, "000"},          {"123456789", 8, "123456789"},
        {" 5", 2, " 5"},          {" 5", 3, "005"},
        {"12abc", 8, "00012abc"}, {"-5", 4, "00-5"},
        {"abc", 5, "00000"},      {"0.00", 5, "00000"},
        {"12", 2, "12"},          {"7", 1, "7"},
        {"1 ", 3, "001"},         {"1234567890", 9, "1234567890"},
    };
    for (const FillCase& c : cases) {
        EXPECT_EQ(PadLeftWithZeros(c.text, c.width), c.expected)
            << '"' << c.text << "\" at " << c.width;
    }
}

TEST(PadRightWithZeros, ZeroFillsOnTheRight) {
    const FillCase cases[] = {
        {"5", 2, "50"},  {"07", 2, "07"},   {"", 2, "00"},   {"0", 2, "00"},
        {" 5", 2, " 5"}, {"123", 2, "123"}, {"x", 3, "x00"},
    };
    for (const FillCase& c : cases) {
        EXPECT_EQ(PadRightWithZeros(c.text, c.width), c.expected) << '"' << c.text << '"';
    }
}

TEST(RightAlign, RightAlignsWithSpaces) {
    const FillCase cases[] = {
        {"abc", 6, "   abc"}, {" ab ", 3, " ab "}, {" ab ", 6, "    ab"},
        {"", 3, "   "},       {"abcd", 4, "abcd"}, {"abcdefg", 4, "abcdefg"},
    };
    for (const FillCase& c : cases) {
        EXPECT_EQ(RightAlign(c.text, c.width), c.expected) << '"' << c.text << '"';
    }
}

TEST(Reversed, Reverses) {
    EXPECT_EQ(Reversed("abc"), "cba");
    EXPECT_EQ(Reversed(""), "");
    EXPECT_EQ(Reversed("a"), "a");
}

TEST(RoundedAmountText, RoundHalfAwayFromZeroOnTheDecimalText) {
    struct Case {
        double amount;
        const char* shekels;
        const char* agorot;
    };
    const Case cases[] = {
        {1234.5, "1234", "50"},
        {12, "12", "00"},
        {9.999, "10", "00"},
        {0.5, "0", "50"},
        {1000, "1000", "00"},
        {1.005, "1", "01"},
        {2.675, "2", "68"},
        {1234.565, "1234", "57"},
        {0.015, "0", "02"},
        {0.004, "0", "00"},
        {0.005, "0", "01"},
        {99.995, "100", "00"},
        {0, "0", "00"},
        {0.1 + 0.2, "0", "30"},
        {1e15, "1000000000000000", "00"},
        {123456789.125, "123456789", "13"},
        {-1.005, "-1", "01"},
        {-0.001, "0", "00"},
        {0.05, "0", "05"},
        {12345.67, "12345", "67"},
        {999999.995, "1000000", "00"},
    };
    for (const Case& c : cases) {
        const std::string rounded = RoundedAmountText(c.amount);
        EXPECT_EQ(rounded.substr(0, rounded.find('.')), c.shekels) << c.amount;
        EXPECT_EQ(rounded.substr(rounded.find('.') + 1), c.agorot) << c.amount;
    }
    EXPECT_EQ(RoundedAmountText(1e308), "1" + std::string(308, '0') + ".00");
}

TEST(RoundedAmountText, NonFiniteIsZero) {
    EXPECT_EQ(RoundedAmountText(std::numeric_limits<double>::infinity()), "0.00");
    EXPECT_EQ(RoundedAmountText(std::numeric_limits<double>::quiet_NaN()), "0.00");
    EXPECT_EQ(RoundedAmountText(1234.5), "1234.50");
}

// Amounts in agorot, as a trailer sums them, and the total as the summary box shows it.
TEST(AgorotOf, RoundedOnceAndWrittenWithoutTrailingZeros) {
    EXPECT_EQ(AgorotOf(20821535.9999998), 2082153600);
    EXPECT_EQ(AgorotOf(2584.415), 258442);
    EXPECT_EQ(AgorotOf(0.1 + 0.2), 30);
    EXPECT_EQ(AgorotOf(-1.005), -101);
    EXPECT_EQ(AgorotOf(std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(AgorotOf(1e15), std::nullopt);
    // Amounts to the agora, both signs, from one agora to the largest field.
    std::uint64_t seed = 99;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        const long long cents = static_cast<long long>((seed >> 16) % 100000000000000ull) + 1;
        const double amount = static_cast<double>(cents) / 100;
        const std::string two = std::to_string(cents % 100);
        const std::string text =
            std::to_string(cents / 100) + "." + (two.size() < 2 ? "0" : "") + two;
        ASSERT_EQ(AgorotOf(amount), cents) << text;
        ASSERT_EQ(AgorotOf(-amount), -cents) << text;
        ASSERT_EQ(RoundedAmountText(amount), text);
        ASSERT_EQ(RoundedAmountText(-amount), "-" + text);
    }
    EXPECT_EQ(AgorotNumberText(2082153600), "20821536");
    EXPECT_EQ(AgorotNumberText(258442), "2584.42");
    EXPECT_EQ(AgorotText(123450), "1234.50");
    EXPECT_EQ(AgorotText(-5), "-0.05");
    const std::pair<long long, const char*> grouped[] = {{5, "0.05"},
                                                         {99999, "999.99"},
                                                         {100000, "1,000.00"},
                                                         {-123456789, "-1,234,567.89"},
                                                         {100000000000, "1,000,000,000.00"},
                                                         {-100000, "-1,000.00"}};
    for (const auto& [agorot, text] : grouped) {
        EXPECT_EQ(GroupedAgorotText(agorot), text);
    }
    EXPECT_EQ(Printable("גן\x1b[2J\x7f\tא"), "גן\xEF\xBF\xBD[2J\xEF\xBF\xBD\xEF\xBF\xBDא");
    EXPECT_EQ(Printable("שם רגיל"), "שם רגיל");
    for (const auto& [text, digits] : std::vector<std::pair<std::string, bool>>{
             {"0123456789", true}, {"", false}, {"12a", false}, {"x", false}, {" 1", false}}) {
        EXPECT_EQ(IsDigits(text), digits) << text;
    }
    EXPECT_EQ(AgorotNumberText(30), "0.3");
    EXPECT_EQ(AgorotNumberText(0), "0");
}

TEST(DaysInMonth, DaysOfTheMonth) {
    struct Case {
        const char* month;
        const char* year;
        const char* days;
    };
    const Case cases[] = {
        {"2", "2024", "29"}, {"2", "2023", "28"}, {"12", "2024", "31"}, {"4", "2024", "30"},
        {"2", "2000", "29"}, {"2", "1900", "28"}, {"02", "2028", "29"}, {"13", "2024", "26"},
        {"0", "2024", "26"}, {"x", "2024", "26"}, {"1", "2026", "31"},  {"9", "2026", "30"},
        {"2", "24", "29"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DaysInMonth(c.month, c.year), c.days) << c.month << "/" << c.year;
    }
}

TEST(IsCalendarDate, DayFirst) {
    EXPECT_TRUE(IsCalendarDate("7", "12", "2026"));
    EXPECT_TRUE(IsCalendarDate("29", "2", "2024"));
    EXPECT_FALSE(IsCalendarDate("29", "2", "2026"));
    EXPECT_FALSE(IsCalendarDate("31", "4", "2026"));
    EXPECT_FALSE(IsCalendarDate("0", "1", "2026"));
    EXPECT_FALSE(IsCalendarDate("", "1", "2026"));
    EXPECT_FALSE(IsCalendarDate("1", "1", "99999"));
}

}  // namespace
}  // namespace zivron
