#include "platform/spreadsheet/xls_workbook.h"

#include <freexl.h>

#include <cctype>

#include "platform/atomic_file.h"

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
    auto wb = std::unique_ptr<XlsWorkbook>(new XlsWorkbook());
    wb->path_ = path;
    // FreeXL does not report the tab that was active; the first sheet is taken.
    for (unsigned int s = 0; s < sheets; ++s) {
        XlsSheet sheet;
        const char* name = nullptr;
        if (freexl_get_worksheet_name(x.h, static_cast<unsigned short>(s), &name) == FREEXL_OK &&
            name != nullptr) {
            sheet.name = name;
        }
        unsigned int rows = 0;
        unsigned short cols = 0;
        if (freexl_select_active_worksheet(x.h, static_cast<unsigned short>(s)) != FREEXL_OK ||
            freexl_worksheet_dimensions(x.h, &rows, &cols) != FREEXL_OK) {
            return Unreadable(path, "גיליון שאינו נקרא");
        }
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
                        cell =
                            CellValue::Str(v.value.text_value != nullptr ? v.value.text_value : "");
                        break;
                    default:
                        continue;
                }
                sheet.cells[{static_cast<int>(r) + 1, c + 1}] = std::move(cell);
            }
        }
        wb->sheets_.push_back(std::move(sheet));
    }
    return wb;
}

CellValue XlsWorkbook::Read(int row, int col) const {
    auto it = sheets_[0].cells.find({row, col});
    return it == sheets_[0].cells.end() ? CellValue::Empty() : it->second;
}

Status XlsWorkbook::WriteText(int row, int col, const std::string& text) {
    if (Status s = CheckCellAddress(row, col); !s) {
        return s;
    }
    sheets_[0].cells[{row, col}] = CellValue::Str(text);
    return Ok();
}

Status XlsWorkbook::WriteNumber(int row, int col, double value) {
    if (Status s = CheckCellAddress(row, col); !s) {
        return s;
    }
    sheets_[0].cells[{row, col}] = CellValue::Num(value);
    return Ok();
}

Status XlsWorkbook::WriteDate(int row, int col, int year, int month, int day) {
    return WriteNumber(row, col, DateSerial(year, month, day));
}

Status XlsWorkbook::SetFill(int row, int col, Rgb colour) {
    if (Status s = CheckCellAddress(row, col); !s) {
        return s;
    }
    sheets_[0].fills[{row, col}] = colour;
    return Ok();
}

std::optional<Rgb> XlsWorkbook::FillOf(int row, int col) const {
    auto it = sheets_[0].fills.find({row, col});
    return it == sheets_[0].fills.end() ? std::nullopt : std::optional<Rgb>(it->second);
}

Status XlsWorkbook::AddWorksheet() {
    XlsSheet sheet;
    sheet.name = "גיליון" + std::to_string(sheets_.size() + 1);
    sheets_.insert(sheets_.begin(), std::move(sheet));
    return Ok();
}

Status XlsWorkbook::Save() {
    return SaveAs(path_);
}

Status XlsWorkbook::SaveAs(const fs::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (ext != ".xls") {
        return Error{ErrorCode::Unsupported,
                     "חוברת xls נשמרת בפורמט xls בלבד: " + path.filename().string()};
    }
    Result<std::string> bytes = WriteXls(sheets_);
    if (!bytes) {
        return bytes.error();
    }
    if (Status s = WriteFileAtomically(path, bytes.value()); !s) {
        return s;
    }
    path_ = path;
    return Ok();
}

}  // namespace zivron::sheet
