#include "platform/spreadsheet/xls_workbook.h"

#include <freexl.h>

namespace zivron::sheet {
namespace fs = std::filesystem;

namespace {

struct Handle {
    const void* h = nullptr;
    ~Handle() {
        if (h != nullptr) {
            freexl_close(h);
        }
    }
};

Error Unreadable(const fs::path& path, const std::string& why) {
    return Error{ErrorCode::BadInput,
                 "לא ניתן לקרוא את החוברת " + path.filename().string() + " (" + why + ")"};
}

}  // namespace

Result<std::unique_ptr<XlsWorkbook>> XlsWorkbook::Open(const fs::path& path) {
    Handle x;
    int rc = freexl_open(path.c_str(), &x.h);
    if (rc != FREEXL_OK) {
        return Unreadable(path, rc == FREEXL_FILE_NOT_FOUND ? "הקובץ לא נמצא" : "קובץ xls פגום");
    }
    unsigned int password = 0;
    if (freexl_get_info(x.h, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
        password == FREEXL_BIFF_OBFUSCATED) {
        return Unreadable(path, "החוברת מוגנת בסיסמה");
    }
    unsigned int sheets = 0;
    if (freexl_get_info(x.h, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0) {
        return Unreadable(path, "אין בה גיליונות");
    }
    // FreeXL does not report the tab that was active; the first sheet is taken.
    if (freexl_select_active_worksheet(x.h, 0) != FREEXL_OK) {
        return Unreadable(path, "הגיליון הראשון אינו נקרא");
    }
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_worksheet_dimensions(x.h, &rows, &cols) != FREEXL_OK) {
        return Unreadable(path, "ממדי הגיליון אינם נקראים");
    }
    auto wb = std::unique_ptr<XlsWorkbook>(new XlsWorkbook());
    wb->path_ = path;
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(x.h, r, c, &v) != FREEXL_OK) {
                return Unreadable(path, "תא פגום");
            }
            CellValue cell;
            switch (v.type) {
                case FREEXL_CELL_INT:
                    cell = CellValue::Num(v.value.int_value);
                    break;
                case FREEXL_CELL_DOUBLE:
                    cell = CellValue::Num(v.value.double_value);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    cell = CellValue::Str(v.value.text_value != nullptr ? v.value.text_value : "");
                    break;
                default:
                    continue;
            }
            wb->cells_[{static_cast<int>(r) + 1, c + 1}] = std::move(cell);
        }
    }
    return wb;
}

CellValue XlsWorkbook::Read(int row, int col) const {
    auto it = cells_.find({row, col});
    return it == cells_.end() ? CellValue::Empty() : it->second;
}

Status XlsWorkbook::WriteText(int row, int col, const std::string& text) {
    if (Status s = CheckCellAddress(row, col); !s) {
        return s;
    }
    cells_[{row, col}] = CellValue::Str(text);
    return Ok();
}

Status XlsWorkbook::WriteNumber(int row, int col, double value) {
    if (Status s = CheckCellAddress(row, col); !s) {
        return s;
    }
    cells_[{row, col}] = CellValue::Num(value);
    return Ok();
}

Status XlsWorkbook::WriteDate(int row, int col, int year, int month, int day) {
    return WriteNumber(row, col, DateSerial(year, month, day));
}

Status XlsWorkbook::SetFill(int row, int col, Rgb colour) {
    if (Status s = CheckCellAddress(row, col); !s) {
        return s;
    }
    fills_[{row, col}] = colour;
    return Ok();
}

std::optional<Rgb> XlsWorkbook::FillOf(int row, int col) const {
    auto it = fills_.find({row, col});
    return it == fills_.end() ? std::nullopt : std::optional<Rgb>(it->second);
}

Status XlsWorkbook::AddWorksheet() {
    return Error{ErrorCode::Unsupported, "הוספת גיליון לחוברת xls אינה נתמכת עדיין"};
}

Status XlsWorkbook::Save() {
    return Error{ErrorCode::Unsupported,
                 "שמירת חוברת בפורמט xls אינה נתמכת עדיין: " + path_.filename().string() +
                     ". שמור אותה בפורמט xlsx ונסה שוב"};
}

Status XlsWorkbook::SaveAs(const fs::path& path) {
    (void)path;
    return Save();
}

}  // namespace zivron::sheet
