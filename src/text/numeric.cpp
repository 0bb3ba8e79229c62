#include "text/numeric.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "text/shaping.h"

namespace zivron {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

double ReadRadix(const std::string& s, std::size_t from, int radix) {
    double value = 0;
    for (std::size_t i = from; i < s.size(); ++i) {
        char c = s[i];
        int d = -1;
        if (IsDigit(c)) {
            d = c - '0';
        } else if (radix == 16 && c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (radix == 16 && c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        }
        if (d < 0 || d >= radix) {
            break;
        }
        value = value * radix + d;
    }
    return value;
}

// Length of the longest prefix of s (from `at`) that is a decimal number; 0 when there is none.
std::size_t DecimalPrefix(const std::string& s, std::size_t at, bool allow_d_exponent) {
    std::size_t i = at;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        ++i;
    }
    std::size_t int_digits = 0;
    while (i < s.size() && IsDigit(s[i])) {
        ++i;
        ++int_digits;
    }
    std::size_t frac_digits = 0;
    if (i < s.size() && s[i] == '.') {
        std::size_t j = i + 1;
        while (j < s.size() && IsDigit(s[j])) {
            ++j;
            ++frac_digits;
        }
        if (int_digits + frac_digits > 0) {
            i = j;
        }
    }
    if (int_digits + frac_digits == 0) {
        return 0;
    }
    if (i < s.size() &&
        (s[i] == 'e' || s[i] == 'E' || (allow_d_exponent && (s[i] == 'd' || s[i] == 'D')))) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            ++j;
        }
        std::size_t exp_digits = 0;
        while (j < s.size() && IsDigit(s[j])) {
            ++j;
            ++exp_digits;
        }
        if (exp_digits > 0) {
            i = j;
        }
    }
    return i - at;
}

// Locale-independent: the point is "." whatever the process's locale says.
double ParseDecimal(std::string number) {
    for (char& c : number) {
        if (c == 'd' || c == 'D') {
            c = 'e';
        }
    }
    std::size_t from = (!number.empty() && number[0] == '+') ? 1 : 0;
    double value = 0;
    auto [p, ec] = std::from_chars(number.data() + from, number.data() + number.size(), value);
    if (ec == std::errc::result_out_of_range) {
        bool negative = number[0] == '-';
        // Too small to hold is zero; too large is beyond every double.
        bool tiny = number.find("e-") != std::string::npos;
        value = tiny ? 0.0 : (negative ? -HUGE_VAL : HUGE_VAL);
    }
    return value;
}

}  // namespace

double NumericValue(std::string_view text) {
    // Most texts are plain digits: read them without copying.
    if (!text.empty() && text.size() <= 15 &&
        std::all_of(text.begin(), text.end(), [](char c) { return IsDigit(c); })) {
        long long v = 0;
        std::from_chars(text.data(), text.data() + text.size(), v);
        return static_cast<double>(v);
    }
    std::string s;
    s.reserve(text.size());
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') {
            s.push_back(c);
        }
    }
    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h') {
            return ReadRadix(s, 2, 16);
        }
        if (s[1] == 'O' || s[1] == 'o') {
            return ReadRadix(s, 2, 8);
        }
    }
    std::size_t n = DecimalPrefix(s, 0, true);
    if (n == 0) {
        return 0;
    }
    return ParseDecimal(s.substr(0, n));
}

std::optional<double> PlainDecimal(std::string_view text) {
    // At most 15 digits make a whole number below 2^53 and the divisor an exact power of ten:
    // one correctly rounded division gives the double nearest to the decimal, as from_chars does.
    static constexpr double kTens[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    const bool negative = i == 1;
    long long whole = 0;
    int digits = 0;
    int decimals = -1;  // digits after the point; -1 before it
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            whole = whole * 10 + (c - '0');
            decimals += decimals >= 0 ? 1 : 0;
            if (++digits > 15) {
                return std::nullopt;
            }
        } else if (c == '.' && decimals < 0) {
            decimals = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    const double value = static_cast<double>(whole) / kTens[decimals > 0 ? decimals : 0];
    return negative ? -value : value;
}

std::optional<double> RegionalNumber(std::string_view text) {
    const std::string_view trimmed = TrimmedView(text);
    if (std::optional<double> plain = PlainDecimal(trimmed)) {
        return plain;
    }
    std::string s;
    bool seen_digit = false;
    bool in_integer_part = true;
    for (const char c : trimmed) {
        if (c == ',') {
            // Grouping only among the digits of the integer part.
            if (!in_integer_part || !seen_digit) {
                return std::nullopt;
            }
            continue;
        }
        if (c == '.' || c == 'e' || c == 'E') {
            in_integer_part = false;
        }
        if (IsDigit(c)) {
            seen_digit = true;
        }
        s.push_back(c);
    }
    if (s.empty() || DecimalPrefix(s, 0, false) != s.size()) {
        return std::nullopt;
    }
    double value = ParseDecimal(s);
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string NumberText(double value) {
    if (!std::isfinite(value)) {
        return std::isnan(value) ? "NaN" : (value > 0 ? "Infinity" : "-Infinity");
    }
    if (value == 0) {
        return "0";
    }
    if (value == std::trunc(value) && std::fabs(value) < 1e15) {
        char digits[24];
        auto [end, ec] =
            std::to_chars(digits, digits + sizeof digits, static_cast<long long>(value));
        return std::string(digits, end);
    }
    bool negative = value < 0;
    if (std::optional<long long> cents = ExactAgorot(std::fabs(value))) {
        // An amount to the agora, as most values are: its shekels, the point and one or two
        // digits (it is not whole, so they are not both zero); the form the digits below take.
        char buf[32];
        char* end = buf;
        if (negative) {
            *end++ = '-';
        }
        end = std::to_chars(end, buf + sizeof buf, *cents / 100).ptr;
        const auto agorot = static_cast<int>(*cents % 100);
        *end++ = '.';
        *end++ = static_cast<char>('0' + agorot / 10);
        if (agorot % 10 != 0) {
            *end++ = static_cast<char>('0' + agorot % 10);
        }
        return std::string(buf, end);
    }
    auto [digits, exponent] = SignificantDigits(std::fabs(value));
    std::string out;
    if (exponent >= 15 || exponent < -4) {
        out = digits.substr(0, 1);
        if (digits.size() > 1) {
            out.push_back('.');
            out.append(digits, 1, std::string::npos);
        }
        char e[16];
        std::snprintf(e, sizeof e, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
        out += e;
    } else if (exponent >= 0) {
        std::size_t int_len = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= int_len) {
            out = digits + std::string(int_len - digits.size(), '0');
        } else {
            out = digits.substr(0, int_len) + "." + digits.substr(int_len);
        }
    } else {
        out = "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    return negative ? "-" + out : out;
}

std::optional<long long> ExactAgorot(double magnitude) {
    if (!(magnitude > 0 && magnitude < 1e13)) {
        return std::nullopt;
    }
    const auto cents = static_cast<long long>(std::llround(magnitude * 100));
    if (cents > 0 && static_cast<double>(cents) / 100 == magnitude) {
        return cents;
    }
    return std::nullopt;
}

DecimalDigits SignificantDigits(double magnitude) {
    // Amounts in agorot: a value that is exactly the double nearest to cents/100 (division is
    // correctly rounded) has the digits of cents, which are fewer than 15 below 1e13.
    if (std::optional<long long> cents = ExactAgorot(magnitude)) {
        char buf[24];
        auto [end, ec] = std::to_chars(buf, buf + sizeof buf, *cents);
        DecimalDigits d;
        d.exponent = static_cast<int>(end - buf) - 3;
        while (end - buf > 1 && end[-1] == '0') {
            --end;
        }
        d.digits.assign(buf, end);
        return d;
    }
    // The shortest text that reads back as the value has the digits of the 15-digit text
    // whenever it has 15 digits or fewer; only longer ones need rounding by printf.
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific);
    std::string_view t(buf, ec == std::errc() ? static_cast<std::size_t>(end - buf) : 0);
    std::size_t epos = t.find('e');
    std::size_t count = epos == std::string_view::npos ? 99 : epos - (epos > 1 ? 1 : 0);
    if (ec != std::errc() || count > 15) {
        int n = std::snprintf(buf, sizeof buf, "%.14e", magnitude);
        t = std::string_view(buf, static_cast<std::size_t>(n));
        epos = t.find('e');
    }
    DecimalDigits d;
    d.exponent = std::atoi(std::string(t.substr(epos + 1)).c_str());
    d.digits.push_back(t[0]);
    if (epos > 2) {
        d.digits.append(t.substr(2, epos - 2));
    }
    while (d.digits.size() > 1 && d.digits.back() == '0') {
        d.digits.pop_back();
    }
    return d;
}

}  // namespace zivron
