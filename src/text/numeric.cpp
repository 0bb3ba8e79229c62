#include "text/numeric.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

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

double ParseDecimal(std::string number) {
    for (char& c : number) {
        if (c == 'd' || c == 'D') {
            c = 'e';
        }
    }
    return std::strtod(number.c_str(), nullptr);
}

}  // namespace

double NumericValue(std::string_view text) {
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

std::optional<double> RegionalNumber(std::string_view text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && text[b] == ' ') {
        ++b;
    }
    while (e > b && text[e - 1] == ' ') {
        --e;
    }
    std::string s;
    bool seen_digit = false;
    bool in_integer_part = true;
    for (std::size_t i = b; i < e; ++i) {
        char c = text[i];
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
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    // buf: [-]d.dddddddddddddde[+-]XX
    std::string t(buf);
    bool negative = t[0] == '-';
    if (negative) {
        t.erase(0, 1);
    }
    std::size_t epos = t.find('e');
    int exponent = std::atoi(t.c_str() + epos + 1);
    std::string digits = t.substr(0, 1) + t.substr(2, epos - 2);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    std::string out;
    if (exponent >= 15 || exponent < -4) {
        out = digits.substr(0, 1);
        if (digits.size() > 1) {
            out += "." + digits.substr(1);
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

}  // namespace zivron
