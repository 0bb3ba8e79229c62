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

Status CheckCellAddress(int row, int col) {
    if (row < 1 || row > kMaxRows || col < 1 || col > kMaxCols) {
        return Error{ErrorCode::BadInput, "התא " + std::to_string(row) + "," + std::to_string(col) +
                                              " מחוץ לגבולות הגיליון"};
    }
    return Ok();
}

}  // namespace zivron::sheet
