#pragma once
// Reading numbers out of texts, and writing numbers as texts.

#include <optional>
#include <string>
#include <string_view>

namespace zivron {

// The numeric value of a text: blanks, tabs and line feeds anywhere are ignored; the value of the
// longest leading decimal number ("+"/"-", digits, "." and digits, an exponent E or D), or of the
// digits after a leading "&H" / "&O"; 0 when there is none. The point is always ".".
double NumericValue(std::string_view text);

// The regional number reading of an amount: surrounding spaces ignored, "." the decimal point, ","
// a digit-grouping separator, an optional sign and exponent. The whole text must be the number;
// nullopt when it is not one, or when it is too large for a double.
std::optional<double> RegionalNumber(std::string_view text);

// A plain decimal ("-" and digits, a "." and digits) of at most 15 digits, read exactly as
// std::from_chars reads it but without its general work; nothing for any other text, which the
// caller reads the long way. Amounts and cell values are nearly all of this shape.
std::optional<double> PlainDecimal(std::string_view text);

// The decimal text of a number: at most 15 significant digits, "." as the point, no grouping, no
// trailing zeros of a fraction; exponent form ("1E+15") only when the plain form would need more.
std::string NumberText(double value);

// The 15 significant digits of a finite, non-zero magnitude, without trailing zeros, and the
// decimal exponent of the first: 1234.5 is ("12345", 3), 0.05 is ("5", -2).
struct DecimalDigits {
    std::string digits;
    int exponent = 0;
};
DecimalDigits SignificantDigits(double magnitude);

// The agorot of a magnitude that is exactly the double nearest to a whole, non-zero number of
// agorot below 1e13 shekels (as amounts typed or computed to the agora are); nothing otherwise.
std::optional<long long> ExactAgorot(double magnitude);

}  // namespace zivron
