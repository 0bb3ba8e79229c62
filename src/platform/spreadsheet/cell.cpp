#include "platform/spreadsheet/cell.h"

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

std::string CellName(int row, int col) {
    std::string letters;
    for (int c = col; c > 0; c = (c - 1) / 26) {
        letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    }
    return letters + std::to_string(row);
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

Status CheckCellAddress(int row, int col) {
    if (row < 1 || row > kMaxRows || col < 1 || col > kMaxCols) {
        return Error{ErrorCode::BadInput, "התא " + std::to_string(row) + "," + std::to_string(col) +
                                              " מחוץ לגבולות הגיליון"};
    }
    return Ok();
}

}  // namespace zivron::sheet
