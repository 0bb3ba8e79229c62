#include "platform/spreadsheet/xls_workbook.h"

#include <freexl.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>

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

// Reads every sheet with FreeXL. Run in a child process only (see Open).
Result<std::vector<XlsSheet>> ReadWithFreeXl(const fs::path& path) {
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
    std::vector<XlsSheet> out;
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
        out.push_back(std::move(sheet));
    }
    return out;
}

void PutBytes(std::string& out, const void* p, std::size_t n) {
    out.append(static_cast<const char*>(p), n);
}
void PutText(std::string& out, const std::string& t) {
    std::uint32_t n = static_cast<std::uint32_t>(t.size());
    PutBytes(out, &n, 4);
    out += t;
}

std::string Serialize(const Result<std::vector<XlsSheet>>& r) {
    std::string out;
    if (!r) {
        out.push_back('E');
        PutText(out, r.error().message);
        return out;
    }
    out.push_back('S');
    std::uint32_t count = static_cast<std::uint32_t>(r.value().size());
    PutBytes(out, &count, 4);
    for (const XlsSheet& sheet : r.value()) {
        PutText(out, sheet.name);
        std::uint32_t cells = static_cast<std::uint32_t>(sheet.cells.size());
        PutBytes(out, &cells, 4);
        for (const auto& [at, v] : sheet.cells) {
            std::int32_t rc[2] = {at.first, at.second};
            PutBytes(out, rc, 8);
            out.push_back(static_cast<char>(v.kind));
            PutBytes(out, &v.number, 8);
            PutText(out, v.text);
        }
    }
    return out;
}

struct Reader {
    const std::string& s;
    std::size_t at = 0;
    bool ok = true;
    bool Take(void* p, std::size_t n) {
        if (!ok || s.size() - at < n) {
            ok = false;
            return false;
        }
        std::memcpy(p, s.data() + at, n);
        at += n;
        return true;
    }
    std::string Text() {
        std::uint32_t n = 0;
        if (!Take(&n, 4) || s.size() - at < n) {
            ok = false;
            return {};
        }
        std::string t = s.substr(at, n);
        at += n;
        return t;
    }
};

}  // namespace

// FreeXL is not safe on every broken file, so it reads in a child process: a damaged file that
// makes it crash gives a message here instead of taking the program down.
Result<std::unique_ptr<XlsWorkbook>> XlsWorkbook::Open(const fs::path& path) {
    std::error_code ec;
    if (fs::file_size(path, ec) > (64u << 20)) {
        return Unreadable(path, "הקובץ גדול מדי");
    }
    int fds[2];
    if (::pipe(fds) != 0) {
        return Unreadable(path, "אין משאבים לקריאה");
    }
    pid_t child = ::fork();
    if (child < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return Unreadable(path, "אין משאבים לקריאה");
    }
    if (child == 0) {
        ::close(fds[0]);
        const std::string bytes = Serialize(ReadWithFreeXl(path));
        const char* p = bytes.data();
        std::size_t left = bytes.size();
        while (left > 0) {
            ssize_t n = ::write(fds[1], p, left);
            if (n <= 0) {
                ::_exit(1);
            }
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string bytes;
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || bytes.empty()) {
        return Unreadable(path, "קובץ xls פגום");
    }
    Reader in{bytes};
    char tag = 0;
    in.Take(&tag, 1);
    if (tag == 'E') {
        return Error{ErrorCode::BadInput, in.Text()};
    }
    auto wb = std::unique_ptr<XlsWorkbook>(new XlsWorkbook());
    wb->path_ = path;
    std::uint32_t count = 0;
    in.Take(&count, 4);
    for (std::uint32_t i = 0; i < count && in.ok; ++i) {
        XlsSheet sheet;
        sheet.name = in.Text();
        std::uint32_t cells = 0;
        in.Take(&cells, 4);
        for (std::uint32_t c = 0; c < cells && in.ok; ++c) {
            std::int32_t rc[2] = {0, 0};
            char kind = 0;
            CellValue v;
            in.Take(rc, 8);
            in.Take(&kind, 1);
            in.Take(&v.number, 8);
            v.text = in.Text();
            v.kind = static_cast<CellKind>(kind);
            sheet.cells[{rc[0], rc[1]}] = std::move(v);
        }
        wb->sheets_.push_back(std::move(sheet));
    }
    if (!in.ok || wb->sheets_.empty()) {
        return Unreadable(path, "קובץ xls פגום");
    }
    return wb;
}

int XlsWorkbook::LastRow() const {
    const auto& cells = sheets_[0].cells;
    return cells.empty() ? 0 : cells.rbegin()->first.first;
}

CellValue XlsWorkbook::Read(int row, int col) const {
    auto it = sheets_[0].cells.find({row, col});
    return it == sheets_[0].cells.end() ? CellValue::Empty() : it->second;
}

Status XlsWorkbook::WriteText(int row, int col, const std::string& text) {
    ZIVRON_TRY(CheckCellAddress(row, col));
    sheets_[0].cells[{row, col}] = CellValue::Str(text);
    return Ok();
}

Status XlsWorkbook::WriteNumber(int row, int col, double value) {
    ZIVRON_TRY(CheckCellAddress(row, col));
    sheets_[0].cells[{row, col}] = CellValue::Num(value);
    return Ok();
}

Status XlsWorkbook::WriteDate(int row, int col, int year, int month, int day) {
    return WriteNumber(row, col, DateSerial(year, month, day));
}

Status XlsWorkbook::SetFill(int row, int col, Rgb colour) {
    ZIVRON_TRY(CheckCellAddress(row, col));
    sheets_[0].fills[{row, col}] = colour;
    return Ok();
}

Status XlsWorkbook::ClearFill(int row, int col) {
    ZIVRON_TRY(CheckCellAddress(row, col));
    sheets_[0].fills.erase({row, col});
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
    ZIVRON_TRY(WriteFileAtomically(path, bytes.value()));
    path_ = path;
    return Ok();
}

}  // namespace zivron::sheet
