#include "spreadsheet/xls/xls_workbook.h"

#include "core/atomic_file.h"
#include "spreadsheet/xls/xls_patch.h"
#include "spreadsheet/xls/xls_read_back.h"
#include "spreadsheet/xls/xls_reader.h"

namespace zivron::sheet {
namespace fs = std::filesystem;

namespace {

Error Unreadable(const fs::path& path, const std::string& why) {
    return Error{ErrorCode::BadInput,
                 "לא ניתן לקרוא את החוברת " + path.filename().string() + " (" + why + ")"};
}

// A cell the format can hold: an .xls sheet has 65,536 rows of 256 cells. A change beyond them
// would be written over a cell of the first rows.
Status CheckXlsAddress(int row, int col) {
    ZIVRON_TRY(CheckCellAddress(row, col));
    if (row > kXlsMaxRows || col > kXlsMaxCols) {
        return Error{ErrorCode::Unsupported,
                     "התא " + CellName(row, col) + " מחוץ לגבולות גיליון xls"};
    }
    return Ok();
}

}  // namespace

// Read in this process from its records: every cell kind, formulas as their cached results, the
// sheets in their order and the active one as the workbook keeps it.
Result<std::unique_ptr<XlsWorkbook>> XlsWorkbook::Open(const fs::path& path) {
    std::error_code ec;
    if (fs::file_size(path, ec) > (64u << 20)) {
        return Unreadable(path, "הקובץ גדול מדי");
    }
    Result<std::string> bytes = ReadWholeFile(path);
    if (!bytes) {
        return bytes.error();
    }
    Result<XlsBook> book = ReadXls(bytes.value());
    if (!book) {
        return Unreadable(path, book.error().message);
    }
    auto wb = std::unique_ptr<XlsWorkbook>(new XlsWorkbook());
    wb->path_ = path;
    wb->sheets_ = std::move(book.value().sheets);
    wb->active_ = book.value().active;
    wb->original_ = std::move(bytes).value();
    return wb;
}

int XlsWorkbook::LastRow() const {
    const auto& cells = sheets_[active_].cells;
    return cells.empty() ? 0 : cells.rbegin()->first.first;
}

CellValue XlsWorkbook::Read(int row, int col) const {
    const auto& cells = sheets_[active_].cells;
    const std::pair<int, int> at{row, col};
    if (last_read_) {
        if (const auto next = std::next(*last_read_); next != cells.end() && next->first == at) {
            last_read_ = next;
            return next->second;
        }
    }
    const auto it = cells.find(at);
    if (it == cells.end()) {
        return CellValue::Empty();
    }
    last_read_ = it;
    return it->second;
}

Status XlsWorkbook::WriteText(int row, int col, const std::string& text) {
    ZIVRON_TRY(CheckXlsAddress(row, col));
    Write(row, col, CellValue::Str(text));
    return Ok();
}

Status XlsWorkbook::WriteNumber(int row, int col, double value) {
    ZIVRON_TRY(CheckXlsAddress(row, col));
    Write(row, col, CellValue::Num(value));
    return Ok();
}

void XlsWorkbook::Write(int row, int col, CellValue value) {
    auto [it, made] = sheets_[active_].cells.try_emplace({row, col});
    if (!made && it->second == value) {
        return;  // as for .xlsx, a cell holding what is written is left as it was read
    }
    it->second = value;
    edits_[active_][{row, col}].value = std::move(value);
}

Status XlsWorkbook::WriteDate(int row, int col, int year, int month, int day) {
    return WriteNumber(row, col, DateSerial(year, month, day));
}

Status XlsWorkbook::SetFill(int row, int col, Rgb colour) {
    ZIVRON_TRY(CheckXlsAddress(row, col));
    sheets_[active_].fills[{row, col}] = colour;
    edits_[active_][{row, col}].fill = std::optional<Rgb>(colour);
    return Ok();
}

Status XlsWorkbook::ClearFill(int row, int col) {
    ZIVRON_TRY(CheckXlsAddress(row, col));
    if (sheets_[active_].fills.erase({row, col}) > 0) {
        edits_[active_][{row, col}].fill = std::optional<Rgb>();
    }
    return Ok();
}

std::optional<Rgb> XlsWorkbook::FillOf(int row, int col) const {
    auto it = sheets_[active_].fills.find({row, col});
    return it == sheets_[active_].fills.end() ? std::nullopt : std::optional<Rgb>(it->second);
}

Status XlsWorkbook::AddWorksheet() {
    SheetValues sheet;
    sheet.name = "גיליון" + std::to_string(sheets_.size() + 1);
    sheets_.insert(sheets_.begin(), std::move(sheet));
    active_ = 0;
    last_read_.reset();
    original_.clear();  // a new sheet: the file is written anew
    edits_.clear();
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
    // A workbook read from a file is saved as a patch of it; a new one is written whole.
    Result<std::string> bytes =
        original_.empty() ? WriteXls(sheets_, active_) : PatchXls(original_, edits_);
    if (!bytes) {
        return bytes.error();
    }
    ZIVRON_TRY(WriteFileChecked(path, bytes.value(), [&](const fs::path& written) {
        return CheckXlsWritten(path, written, original_, sheets_);
    }));
    if (!original_.empty()) {
        original_ = std::move(bytes).value();
        edits_.clear();
    }
    path_ = path;
    return Ok();
}

}  // namespace zivron::sheet
