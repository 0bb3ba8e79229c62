#include "text/numeric.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace zivron {
namespace {

TEST(NumericValue, ReadsTheLeadingNumber) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"0012", 12}, {"12abc", 12}, {"1 2", 12},    {"1,234", 1},    {"x", 0},     {"", 0},
        {"0.00", 0},  {"-5", -5},    {"+7", 7},      {" \t\n42", 42}, {"1.5", 1.5}, {".5", 0.5},
        {"5.", 5},    {"1e3", 1000}, {"1D2", 100},   {"1e", 1},       {"1e+", 1},   {"2E-1x", 0.2},
        {"&H1F", 31}, {"&hff", 255}, {"&O17", 15},   {"&O9", 0},      {"&", 0},     {"-", 0},
        {".", 0},     {"12-34", 12}, {"1.2.3", 1.2}, {"abc12", 0},    {"X", 0},     {"1\n2", 12},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(NumericValue(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(RegionalNumber, AcceptsGroupingAndSurroundingSpaces) {
    struct Case {
        const char* text;
        double value;
    };
    const Case cases[] = {
        {"1234.5", 1234.5}, {"1,250", 1250},  {" 12 ", 12},  {"1,234,567.89", 1234567.89},
        {"-5", -5},         {"0.05", 0.05},   {"1e3", 1000}, {"+3", 3},
        {".5", 0.5},        {"1e308", 1e308}, {"007", 7},
    };
    for (const Case& c : cases) {
        auto v = RegionalNumber(c.text);
        ASSERT_TRUE(v.has_value()) << c.text;
        EXPECT_DOUBLE_EQ(*v, c.value) << c.text;
    }
}

TEST(RegionalNumber, RefusesWhatIsNotANumber) {
    for (const char* text : {"", " ", "x", "12abc", "1 2", ",5", "1.2,5", "1e", "--1", "1e400",
                             "inf", "nan", "1.2.3", "\t5"}) {
        EXPECT_FALSE(RegionalNumber(text).has_value()) << '"' << text << '"';
    }
}

// The quick reading must give the very double from_chars gives: every amount to the agora up to
// 20,000 shekels, and the edges of its shape; texts of any other shape are left to the long way.
TEST(PlainDecimal, ReadsWhatFromCharsReads) {
    std::vector<std::string> texts = {"0",
                                      "-0",
                                      "5.",
                                      ".5",
                                      "-12.5",
                                      "007",
                                      "0.1",
                                      "0.3",
                                      "1.1",
                                      "2.675",
                                      "123456789012345",
                                      "0.00000000000001",
                                      "99999999999999.9",
                                      "-.25"};
    for (int cents = 0; cents <= 2000000; cents += 13) {
        texts.push_back(std::to_string(cents / 100) + "." +
                        std::to_string(100 + cents % 100).substr(1));
    }
    for (const std::string& text : texts) {
        double expected = 0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        const std::optional<double> got = PlainDecimal(text);
        ASSERT_TRUE(got.has_value()) << text;
        EXPECT_EQ(std::bit_cast<std::uint64_t>(*got), std::bit_cast<std::uint64_t>(expected))
            << text;
    }
    for (const char* other : {"", "-", ".", "1..2", "+5", " 5", "5 ", "1e5", "1,5", "--1",
                              "1234567890123456", "0.000000000000001", "12-"}) {
        EXPECT_FALSE(PlainDecimal(other).has_value()) << '"' << other << '"';
    }
}

TEST(NumberText, FifteenSignificantDigitsWithoutNoise) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0, "0"},
        {1234.5, "1234.5"},
        {-5, "-5"},
        {0.1 + 0.2, "0.3"},
        {123456789, "123456789"},
        {100, "100"},
        {0.0001, "0.0001"},
        {0.00001, "1E-05"},
        {1e15, "1E+15"},
        {123456789012345, "123456789012345"},
        {1.5e20, "1.5E+20"},
        {0.05, "0.05"},
        {-284.2, "-284.2"},
        {123456789012.34, "123456789012.34"},
        {0.1 + 0.7, "0.8"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NumberText(c.value), c.text) << c.value;
    }
    EXPECT_EQ(NumberText(std::numeric_limits<double>::quiet_NaN()), "NaN");
}

// The digits of amounts (whole agorot, where a quick path answers) and of other values, against
// the shortest text that reads back as the value, cut to 15 digits.
TEST(SignificantDigits, AgreeWithTheShortestText) {
    auto shortest = [](double m) {
        char buf[64];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, m, std::chars_format::scientific);
        std::string t(buf, end);
        const std::size_t e = t.find('e');
        DecimalDigits d{t.substr(0, 1) + (e > 2 ? t.substr(2, e - 2) : ""),
                        std::stoi(t.substr(e + 1))};
        while (d.digits.size() > 1 && d.digits.back() == '0') {
            d.digits.pop_back();
        }
        return d;
    };
    std::vector<double> values = {
        0.01,    0.05,   0.1,   0.5,  1,     9.99,           10,
        1234.56, 100000, 0.125, 0.29, 1.005, 99999999999.99, 9999999999999.99,
        1e-7,    3e12};
    std::uint64_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        const auto cents = static_cast<long long>((seed >> 20) % 100000000000000ull) + 1;
        values.push_back(static_cast<double>(cents) / 100);
        values.push_back(static_cast<double>(cents) / 1000);
    }
    for (double m : values) {
        const DecimalDigits want = shortest(m);
        if (want.digits.size() > 15) {
            continue;  // rounded by printf; other cases cover it
        }
        const DecimalDigits got = SignificantDigits(m);
        ASSERT_EQ(got.digits, want.digits) << m;
        ASSERT_EQ(got.exponent, want.exponent) << m;
    }
}

}  // namespace
}  // namespace zivron
