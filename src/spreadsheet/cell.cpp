#include "spreadsheet/cell.h"

#include <charconv>

#include "text/numeric.h"

namespace zivron::sheet {

std::string CellText(const CellValue& v) {
    switch (v.kind) {
        case CellKind::Empty:
            return {};
        case CellKind::Number:
            return NumberText(v.number);
        case CellKind::Text:
        case CellKind::Boolean:
        case CellKind::Error:
            return v.text;
    }
    return {};
}

void AppendCellName(std::string& out, int row, int col) {
    char buf[32];
    char* at = buf + 8;  // letters are formed from the last one back
    for (int c = col; c > 0 && at > buf; c = (c - 1) / 26) {
        *--at = static_cast<char>('A' + (c - 1) % 26);
    }
    out.append(at, std::to_chars(buf + 8, buf + sizeof buf, row).ptr);
}

std::string CellName(int row, int col) {
    std::string out;
    AppendCellName(out, row, col);
    return out;
}

bool ParseCellName(std::string_view name, int& row, int& col) {
    std::size_t i = 0;
    long c = 0;
    while (i < name.size() && name[i] >= 'A' && name[i] <= 'Z') {
        c = c * 26 + (name[i] - 'A' + 1);
        if (c > kMaxCols) {
            return false;
        }
        ++i;
    }
    if (i == 0 || i == name.size()) {
        return false;
    }
    long r = 0;
    for (; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return false;
        }
        r = r * 10 + (name[i] - '0');
        if (r > kMaxRows) {
            return false;
        }
    }
    if (r < 1) {
        return false;
    }
    row = static_cast<int>(r);
    col = static_cast<int>(c);
    return true;
}

double DateSerial(int year, int month, int day) {
    // Days from 1 January 1970 (civil calendar), then the spreadsheet's epoch of 30 Dec 1899.
    int y = year - (month <= 2 ? 1 : 0);
    int era = (y >= 0 ? y : y - 399) / 400;
    int yoe = y - era * 400;
    int doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    long days = static_cast<long>(era) * 146097 + doe - 719468;
    return static_cast<double>(days + 25569);
}

namespace {

// `width` digits at `at`, moved past them; nothing when there are not that many.
std::optional<int> Digits(std::string_view s, std::size_t& at, std::size_t width) {
    if (at + width > s.size()) {
        return std::nullopt;
    }
    int v = 0;
    for (std::size_t k = at; k < at + width; ++k) {
        if (s[k] < '0' || s[k] > '9') {
            return std::nullopt;
        }
        v = v * 10 + (s[k] - '0');
    }
    at += width;
    return v;
}

bool Skip(std::string_view s, std::size_t& at, char c) {
    if (at < s.size() && s[at] == c) {
        ++at;
        return true;
    }
    return false;
}

// "HH:MM[:SS[.fff]]" from `at` as a fraction of a day.
std::optional<double> TimeOfDay(std::string_view s, std::size_t& at) {
    const std::optional<int> h = Digits(s, at, 2);
    const std::optional<int> m = Skip(s, at, ':') ? Digits(s, at, 2) : std::nullopt;
    if (!h || !m || *h > 24 || *m > 59) {
        return std::nullopt;
    }
    double seconds = 0;
    if (Skip(s, at, ':')) {
        const std::optional<int> sec = Digits(s, at, 2);
        if (!sec || *sec > 60) {
            return std::nullopt;
        }
        seconds = *sec;
        if (Skip(s, at, '.')) {
            for (double unit = 0.1; at < s.size() && s[at] >= '0' && s[at] <= '9'; unit /= 10) {
                seconds += (s[at++] - '0') * unit;
            }
        }
    }
    return (*h * 3600.0 + *m * 60.0 + seconds) / 86400.0;
}

}  // namespace

std::optional<double> IsoDateSerial(std::string_view iso) {
    std::size_t at = 0;
    double day = 0;
    if (iso.size() >= 10 && iso[4] == '-') {
        // Plain values, not optionals: the optimiser cannot follow the one into the other.
        const int y = Digits(iso, at, 4).value_or(0);
        const int m = Skip(iso, at, '-') ? Digits(iso, at, 2).value_or(0) : 0;
        const int d = Skip(iso, at, '-') ? Digits(iso, at, 2).value_or(0) : 0;
        if (m < 1 || m > 12 || d < 1 || y < 1900) {
            return std::nullopt;
        }
        const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
        const int days[] = {31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        if (d > days[m - 1]) {
            return std::nullopt;
        }
        day = DateSerial(y, m, d);
        if (at == iso.size()) {
            return day;
        }
        if (!Skip(iso, at, 'T')) {
            return std::nullopt;
        }
    }
    const std::optional<double> time = TimeOfDay(iso, at);
    // A zone is the writer's; the cell shows the time it wrote.
    if (time && (Skip(iso, at, 'Z') || at == iso.size() || iso[at] == '+' || iso[at] == '-')) {
        return day + *time;
    }
    return std::nullopt;
}

Status CheckCellAddress(int row, int col) {
    if (row < 1 || row > kMaxRows || col < 1 || col > kMaxCols) {
        return Error{ErrorCode::BadInput, "התא " + std::to_string(row) + "," + std::to_string(col) +
                                              " מחוץ לגבולות הגיליון"};
    }
    return Ok();
}

}  // namespace zivron::sheet
