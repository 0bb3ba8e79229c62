#pragma once
// Fixed-width shaping of the fields the program writes. The texts here are single-byte texts (ASCII
// or Windows-1255 bytes, one character a byte), as every field of a bank file is by the time it is
// shaped; lengths are counted in those characters.

#include <optional>
#include <string>
#include <string_view>

namespace zivron {

// The text without its leading and trailing spaces (spaces only, as the old code trimmed).
std::string Trim(std::string_view text);
// The same, as a view into the text.
std::string_view TrimmedView(std::string_view text);

// Zero-filled on the left to `width`; all zeros when the text's numeric value is 0; a text as
// long as the width or longer is returned as it is.
std::string PadLeftWithZeros(std::string_view text, int width);

// Zero-filled on the right (the agorot field); no zero-value rule.
std::string PadRightWithZeros(std::string_view text, int width);

// Right-aligned with spaces on the left; a text as long as the width or longer is returned as it
// is.
std::string RightAlign(std::string_view text, int width);

// The characters in reverse order.
std::string Reversed(std::string_view text);

// The amount rounded to the agora, half away from zero, taken on its decimal text of 15 significant
// digits so that 1.005 rounds to 1.01 as written rather than by its binary value; fixed-point, two
// decimals, no grouping ("1234.50", "0.50"). A zero result carries no sign; a value that is not
// finite gives "0.00" (callers refuse such amounts before they reach a file).
std::string RoundedAmountText(double number);

// True for one or more ASCII digits and nothing else: a number field as it is stored.
bool IsDigits(std::string_view text);

// The text as a terminal may show it: every control character (below 32, and 127) as U+FFFD,
// so a name cannot move the cursor or clear the screen.
std::string Printable(std::string_view text);

// "1234.50" for 123450 agorot, "-0.05" for -5.
std::string AgorotText(long long agorot);
// The same with the thousands grouped, as a person reads an amount: "1,234,567.50".
std::string GroupedAgorotText(long long agorot);

// The amount in agorot, rounded once as RoundedAmountText rounds it; nothing for a value that is
// not finite or not below 10^15.
std::optional<long long> AgorotOf(double number);

// Agorot written as NumberText writes a number: "2584.42", "20821536", "0.3".
std::string AgorotNumberText(long long agorot);

// The number of days of month `month` of year `year`, two characters; "26" when the month text
// is no month.
std::string DaysInMonth(std::string_view month, std::string_view year);

// Whether day / month / year, read day first as the regional settings read a date, is a date of
// the calendar. Two-digit years read as 1930..2029.
bool IsCalendarDate(std::string_view day, std::string_view month, std::string_view year);

}  // namespace zivron
