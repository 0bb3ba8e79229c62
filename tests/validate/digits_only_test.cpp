#include "validate/digits_only.h"

#include <gtest/gtest.h>

namespace zivron {
namespace {

TEST(DigitsOnly, KeepsTheDigitsInOrder) {
    struct Case {
        const char* text;
        const char* digits;
    };
    const Case cases[] = {
        {"12-345/6", "123456"},
        {"  123  ", "123"},
        {"", ""},
        {"abc", ""},
        {"0123", "0123"},
        {"1.2.3", "123"},
        {"a1b2c3", "123"},
        {"١٢٣", ""},  // other digit forms are not
                      // digits
        {"12א34", "1234"},
        {"--1--", "1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DigitsOnly(c.text), c.digits) << c.text;
    }
}

TEST(DigitsOnly, NumberCellsGoThroughTheirDecimalText) {
    EXPECT_EQ(DigitsOnly(1234.5), "12345");
    EXPECT_EQ(DigitsOnly(-77.0), "77");
    EXPECT_EQ(DigitsOnly(123456789.0), "123456789");
    EXPECT_EQ(DigitsOnly(0.0), "0");
}

}  // namespace
}  // namespace zivron
