#include "text/shaping.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include "text/numeric.h"

namespace zivron {

std::string Trim(std::string_view text) {
    return std::string(TrimmedView(text));
}

std::string_view TrimmedView(std::string_view text) {
    // Two plain loops: find_first_not_of looks each character up in its set by a call.
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && text[b] == ' ') {
        ++b;
    }
    while (e > b && text[e - 1] == ' ') {
        --e;
    }
    return text.substr(b, e - b);
}

namespace {

std::size_t Width(int w) {
    return w > 0 ? static_cast<std::size_t>(w) : 0;
}

}  // namespace

std::string PadLeftWithZeros(std::string_view text, int width) {
    const std::size_t size = Width(width);
    // Digits alone are zero when every one is: long references need not be read as a number.
    const bool digits =
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const bool zero =
        digits ? text.find_first_not_of('0') == std::string_view::npos : NumericValue(text) == 0;
    if (zero) {
        return std::string(size, '0');
    }
    if (text.size() < size) {
        std::string t = Trim(text);
        return std::string(size - t.size(), '0') + t;
    }
    return std::string(text);
}

std::string PadRightWithZeros(std::string_view text, int width) {
    const std::size_t size = Width(width);
    if (text.size() < size) {
        std::string t = Trim(text);
        return t + std::string(size - t.size(), '0');
    }
    return std::string(text);
}

std::string RightAlign(std::string_view text, int width) {
    const std::size_t size = Width(width);
    if (text.size() < size) {
        std::string t = Trim(text);
        return std::string(size - t.size(), ' ') + t;
    }
    return std::string(text);
}

std::string Reversed(std::string_view text) {
    return std::string(text.rbegin(), text.rend());
}

std::optional<long long> AgorotOf(double number) {
    if (!std::isfinite(number) || std::fabs(number) >= 1e15) {
        return std::nullopt;
    }
    if (std::optional<long long> cents = ExactAgorot(std::fabs(number))) {
        return number < 0 ? -*cents : *cents;
    }
    std::string text = RoundedAmountText(number);
    std::erase(text, '.');
    return std::stoll(text);
}

std::string AgorotNumberText(long long agorot) {
    return NumberText(static_cast<double>(agorot) / 100.0);
}

std::string RoundedAmountText(double number) {
    if (!std::isfinite(number) || number == 0) {
        return "0.00";
    }
    if (std::optional<long long> cents = ExactAgorot(std::fabs(number))) {
        return AgorotText(number < 0 ? -*cents : *cents);
    }
    // Rounded on the 15 significant digits of the decimal text, not on the binary value.
    auto [digits, exponent] = SignificantDigits(std::fabs(number));
    std::string whole;
    std::string fraction;
    if (exponent >= 0) {
        std::size_t int_len = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= int_len) {
            whole = digits + std::string(int_len - digits.size(), '0');
        } else {
            whole = digits.substr(0, int_len);
            fraction = digits.substr(int_len);
        }
    } else {
        whole = "0";
        fraction = std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
    }
    bool round_up = fraction.size() > 2 && fraction[2] >= '5';
    fraction.resize(2, '0');

    // Whole and agorot as one decimal number, raised by one agora when the third decimal is 5+.
    std::string cents = whole + fraction;
    if (round_up) {
        std::size_t i = cents.size();
        while (i > 0) {
            --i;
            if (cents[i] == '9') {
                cents[i] = '0';
            } else {
                ++cents[i];
                break;
            }
            if (i == 0) {
                cents.insert(cents.begin(), '1');
            }
        }
    }
    std::string int_part = cents.substr(0, cents.size() - 2);
    std::size_t nz = int_part.find_first_not_of('0');
    int_part = nz == std::string::npos ? "0" : int_part.substr(nz);
    std::string text = int_part + "." + cents.substr(cents.size() - 2);
    bool is_zero = text == "0.00";
    return (number < 0 && !is_zero) ? "-" + text : text;
}

std::string AgorotText(long long agorot) {
    const unsigned long long a = agorot < 0 ? 0ull - static_cast<unsigned long long>(agorot)
                                            : static_cast<unsigned long long>(agorot);
    const std::string fraction = std::to_string(a % 100);
    return (agorot < 0 ? "-" : "") + std::to_string(a / 100) + "." +
           (fraction.size() < 2 ? "0" : "") + fraction;
}

bool IsDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string Printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        out += u < 32 || u == 127 ? std::string("\xEF\xBF\xBD") : std::string(1, c);
    }
    return out;
}

std::string GroupedAgorotText(long long agorot) {
    std::string text = AgorotText(agorot);
    const std::size_t first = text[0] == '-' ? 1 : 0;
    for (std::size_t at = text.find('.'); at > first + 3; at -= 3) {
        text.insert(at - 3, 1, ',');
    }
    return text;
}

namespace {

std::optional<int> SmallNumber(std::string_view text) {
    std::string t = Trim(text);
    if (t.empty() || t.size() > 4) {
        return std::nullopt;
    }
    int v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        v = v * 10 + (c - '0');
    }
    return v;
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

}  // namespace

bool IsCalendarDate(std::string_view day, std::string_view month, std::string_view year) {
    auto d = SmallNumber(day);
    auto m = SmallNumber(month);
    auto y = SmallNumber(year);
    if (!d || !m || !y) {
        return false;
    }
    int yy = *y;
    if (Trim(year).size() <= 2) {
        yy += yy < 30 ? 2000 : 1900;
    } else if (yy < 100) {
        return false;
    }
    if (*m < 1 || *m > 12 || *d < 1) {
        return false;
    }
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int last = kDays[*m - 1] + ((*m == 2 && IsLeap(yy)) ? 1 : 0);
    return *d <= last;
}

std::string DaysInMonth(std::string_view month, std::string_view year) {
    int d = 27;
    while (d <= 33 && IsCalendarDate(std::to_string(d), month, year)) {
        ++d;
    }
    return PadLeftWithZeros(std::to_string(d - 1), 2);
}

}  // namespace zivron
