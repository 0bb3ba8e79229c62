#include "spreadsheet/xls/xls_reader.h"

#include <cstdint>
#include <cstring>
#include <optional>

#include "spreadsheet/cfb/compound_reader.h"
#include "spreadsheet/xls/xls_records.h"
#include "spreadsheet/xls/xls_strings.h"

namespace zivron::sheet {
namespace {

Error Damaged(const std::string& why) {
    return Error{ErrorCode::BadInput, "קובץ xls פגום (" + why + ")"};
}

using le::U16;
using le::U32;

// An offset field of a record; past the record's end it points nowhere.
std::uint32_t IndexField(std::string_view s, std::size_t at) {
    return at + 4 > s.size() ? 0xFFFFFFFF : U32(s, at);
}

struct Record {
    std::uint16_t type = 0;
    std::string_view data;
};

// The records of a stream from `at` on; a record longer than the stream is refused.
class Records {
  public:
    Records(std::string_view stream, std::size_t at) : s_(stream), at_(at) {}
    // Every stream read here ends in an EOF record, so running out first is damage.
    Result<Record> Next(const char* ended_early) {
        if (at_ + 4 > s_.size()) {
            return Damaged(ended_early);
        }
        Record r{U16(s_, at_), {}};
        const std::size_t len = U16(s_, at_ + 2);
        if (at_ + 4 + len > s_.size()) {
            return Damaged("רשומה ארוכה מהזרם");
        }
        r.data = s_.substr(at_ + 4, len);
        at_ += 4 + len;
        return r;
    }
    // The CONTINUE records right after the last one.
    std::vector<std::string_view> Continues() {
        std::vector<std::string_view> out;
        while (at_ + 4 <= s_.size() && U16(s_, at_) == biff::kContinue) {
            const std::size_t len = U16(s_, at_ + 2);
            if (at_ + 4 + len > s_.size()) {
                break;
            }
            out.push_back(s_.substr(at_ + 4, len));
            at_ += 4 + len;
        }
        return out;
    }

  private:
    std::string_view s_;
    std::size_t at_;
};

double RkValue(std::uint32_t rk) {
    double v = 0;
    if ((rk & 0x02) != 0) {
        v = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        std::uint64_t bits = static_cast<std::uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, sizeof v);
    }
    return (rk & 0x01) != 0 ? v / 100 : v;
}

double Float(std::string_view s, std::size_t at) {
    std::uint64_t bits =
        static_cast<std::uint64_t>(U32(s, at)) | static_cast<std::uint64_t>(U32(s, at + 4)) << 32;
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

CellValue ErrorCell(unsigned char code) {
    switch (code) {
        case 0x00:
            return {CellKind::Error, 0, "#NULL!"};
        case 0x07:
            return {CellKind::Error, 0, "#DIV/0!"};
        case 0x0F:
            return {CellKind::Error, 0, "#VALUE!"};
        case 0x17:
            return {CellKind::Error, 0, "#REF!"};
        case 0x1D:
            return {CellKind::Error, 0, "#NAME?"};
        case 0x24:
            return {CellKind::Error, 0, "#NUM!"};
        default:
            return {CellKind::Error, 0, "#N/A"};
    }
}

CellValue BooleanCell(bool v) {
    return {CellKind::Boolean, v ? 1.0 : 0.0, v ? "TRUE" : "FALSE"};
}

struct SheetEntry {
    std::uint32_t offset = 0;
    bool worksheet = true;
    std::string name;
};

// Each cell's format as read, in the order the records give them; a later one for the same cell
// stands.
using CellFormats = std::vector<std::pair<std::pair<int, int>, std::uint16_t>>;

Status ReadSheet(std::string_view stream, const SheetEntry& entry,
                 const std::vector<std::string>& sst, SheetValues& out, CellFormats& formats) {
    if (entry.offset >= stream.size()) {
        return Damaged("גיליון מחוץ לזרם");
    }
    Records records(stream, entry.offset);
    auto put_xf = [&](std::uint32_t row, std::uint32_t col, std::uint16_t xf) {
        if (row < static_cast<std::uint32_t>(kXlsMaxRows) &&
            col < static_cast<std::uint32_t>(kXlsMaxCols)) {
            formats.push_back({{static_cast<int>(row) + 1, static_cast<int>(col) + 1}, xf});
        }
    };
    auto put = [&](std::uint32_t row, std::uint32_t col, CellValue v) {
        if (row < static_cast<std::uint32_t>(kXlsMaxRows) &&
            col < static_cast<std::uint32_t>(kXlsMaxCols)) {
            const std::pair<int, int> at{static_cast<int>(row) + 1, static_cast<int>(col) + 1};
            // Cells come in order: each goes after the last without a search.
            if (out.cells.empty() || std::prev(out.cells.end())->first < at) {
                out.cells.emplace_hint(out.cells.end(), at, std::move(v));
            } else {
                out.cells[at] = std::move(v);
            }
        }
    };
    // A formula whose text result follows in a STRING record: its cell.
    bool pending_string = false;
    std::uint32_t pending_row = 0;
    std::uint32_t pending_col = 0;
    bool first = true;
    // A chart or an object embedded in the sheet is a stream of its own inside it, from its BOF
    // to its EOF: its records are no cells of the sheet, and its EOF is not the sheet's.
    int nested = 0;
    while (true) {
        Result<Record> next = records.Next("גיליון בלי סוף");
        if (!next) {
            return next.error();
        }
        const Record r = next.value();
        const std::string_view d = r.data;
        if (first) {
            if (r.type != biff::kBof) {
                return Damaged("גיליון בלי רשומת פתיחה");
            }
            first = false;
            continue;
        }
        if (r.type == biff::kBof) {
            ++nested;
            continue;
        }
        if (r.type == biff::kEof) {
            if (nested == 0) {
                return Ok();
            }
            --nested;
            continue;
        }
        if (nested > 0) {
            continue;
        }
        const std::uint32_t row = U16(d, 0);
        const std::uint32_t col = U16(d, 2);
        switch (r.type) {
            case biff::kNumber:
            case biff::kRk:
            case biff::kLabelSst:
            case biff::kLabel:
            case biff::kBoolErr:
            case biff::kFormula:
            case biff::kBlank:
                if (d.size() >= 6) {
                    put_xf(row, col, U16(d, 4));
                }
                break;
            default:
                break;
        }
        if (r.type == biff::kMulRk ||
            r.type == biff::kMulBlank) {  // MULRK, MULBLANK: a format for each cell
            const std::size_t step = r.type == biff::kMulRk ? 6 : 2;
            for (std::size_t at = 4, c = col; at + step + 2 <= d.size(); at += step, ++c) {
                put_xf(row, static_cast<std::uint32_t>(c), U16(d, at));
            }
        }
        switch (r.type) {
            case biff::kNumber:
                if (d.size() >= 14) {
                    put(row, col, CellValue::Num(Float(d, 6)));
                }
                break;
            case biff::kRk:
                if (d.size() >= 10) {
                    put(row, col, CellValue::Num(RkValue(U32(d, 6))));
                }
                break;
            case biff::kMulRk:
                for (std::size_t at = 4, c = col; at + 6 + 2 <= d.size(); at += 6, ++c) {
                    put(row, static_cast<std::uint32_t>(c),
                        CellValue::Num(RkValue(U32(d, at + 2))));
                }
                break;
            case biff::kLabelSst: {
                const std::uint32_t index = U32(d, 6);
                if (d.size() >= 10) {
                    if (index >= sst.size()) {
                        return Damaged("הפניה לטקסט שאינו ברשימה");
                    }
                    put(row, col, CellValue::Str(sst[index]));
                }
                break;
            }
            case biff::kLabel: {
                Pieces p({d.size() >= 6 ? d.substr(6) : std::string_view()});
                std::optional<std::string> text = p.Text(2, false);
                if (!text) {
                    return Damaged("טקסט פגום בתא");
                }
                put(row, col, CellValue::Str(std::move(*text)));
                break;
            }
            case biff::kBoolErr:
                if (d.size() >= 8) {
                    put(row, col,
                        d[7] != 0 ? ErrorCell(static_cast<unsigned char>(d[6]))
                                  : BooleanCell(d[6] != 0));
                }
                break;
            case biff::kFormula:  // its cached result
                pending_string = false;
                if (d.size() >= 14) {
                    if (U16(d, 12) != 0xFFFF) {
                        put(row, col, CellValue::Num(Float(d, 6)));
                    } else if (d[6] == 0) {
                        pending_string = true;  // the text comes in the STRING record
                        pending_row = row;
                        pending_col = col;
                    } else if (d[6] == 1) {
                        put(row, col, BooleanCell(d[8] != 0));
                    } else if (d[6] == 2) {
                        put(row, col, ErrorCell(static_cast<unsigned char>(d[8])));
                    } else {
                        put(row, col, CellValue::Str(""));
                    }
                }
                break;
            case biff::kString: {  // after its formula
                std::vector<std::string_view> pieces = {d};
                for (std::string_view c : records.Continues()) {
                    pieces.push_back(c);
                }
                Pieces p(pieces);
                std::optional<std::string> text = p.Text(2, false);
                if (!text) {
                    return Damaged("תוצאת נוסחה פגומה");
                }
                if (pending_string) {
                    put(pending_row, pending_col, CellValue::Str(std::move(*text)));
                    pending_string = false;
                }
                break;
            }
            case biff::kWindow2:
                out.right_to_left = (U16(d, 0) & biff::kRightToLeft) != 0;
                break;
            default:
                break;
        }
    }
}

}  // namespace

std::vector<Rgb> DefaultXlsPalette() {
    static const std::uint32_t kColours[56] = {
        0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
        0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
        0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
        0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
        0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
        0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
        0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
    std::vector<Rgb> out;
    for (std::uint32_t c : kColours) {
        out.push_back({static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                       static_cast<std::uint8_t>(c)});
    }
    return out;
}

std::optional<Rgb> XfSolidFill(std::string_view xf, const std::vector<Rgb>& palette) {
    if (xf.size() < 20 || ((U32(xf, 14) >> 26) & 0x3F) != 1) {
        return std::nullopt;
    }
    const std::uint16_t fore = U16(xf, 18) & 0x7F;
    if (fore < 8 || fore >= 8 + palette.size()) {
        return std::nullopt;
    }
    return palette[fore - 8];
}

Result<XlsBook> ReadXls(std::string_view file) {
    Result<std::string> stream = CompoundStream(file, u"Workbook");
    if (!stream) {
        return stream.error();
    }
    const std::string_view s = stream.value();
    Records records(s, 0);
    XlsBook book;
    std::vector<SheetEntry> entries;
    std::vector<std::string> sst;
    std::vector<std::string_view> xfs;
    std::vector<Rgb> palette = DefaultXlsPalette();
    bool first = true;
    while (true) {
        Result<Record> next = records.Next("חסרה רשומת הסוף של החוברת");
        if (!next) {
            return next.error();
        }
        const Record r = next.value();
        const std::string_view d = r.data;
        if (first) {
            if (r.type != biff::kBof || U16(d, 0) != biff::kBiff8 ||
                U16(d, 2) != biff::kWorkbookGlobals) {
                return Damaged("אינה חוברת Excel 97-2003");
            }
            first = false;
            continue;
        }
        if (r.type == biff::kEof) {
            break;
        }
        switch (r.type) {
            case biff::kFilePass:
                return Error{ErrorCode::BadInput, "החוברת מוגנת בסיסמה; יש לשמור אותה בלי סיסמה"};
            case biff::kWindow1:
                book.active = U16(d, 10);
                break;
            case biff::kXf:
                xfs.push_back(d);
                break;
            case biff::kPalette:
                for (std::size_t i = 0; i < 56 && 2 + 4 * i + 3 <= d.size(); ++i) {
                    palette[i] = {static_cast<std::uint8_t>(d[2 + 4 * i]),
                                  static_cast<std::uint8_t>(d[3 + 4 * i]),
                                  static_cast<std::uint8_t>(d[4 + 4 * i])};
                }
                break;
            case biff::kBoundSheet: {
                SheetEntry e;
                e.offset = IndexField(d, 0);
                e.worksheet = d.size() > 5 && d[5] == 0;
                Pieces p({d.size() >= 6 ? d.substr(6) : std::string_view()});
                std::optional<std::string> name = p.Text(1, false);
                if (!name) {
                    return Damaged("שם גיליון פגום");
                }
                e.name = std::move(*name);
                entries.push_back(std::move(e));
                break;
            }
            case biff::kSst: {  // and its CONTINUE records
                std::vector<std::string_view> parts = {d};
                for (std::string_view c : records.Continues()) {
                    parts.push_back(c);
                }
                std::optional<SharedStrings> strings = ReadSharedStrings(parts);
                if (!strings) {
                    return Damaged("ברשימת הטקסטים פחות טקסטים מכפי שנמנו");
                }
                sst = std::move(strings->texts);
                break;
            }
            default:
                break;
        }
    }
    if (entries.empty()) {
        return Damaged("אין בה גיליונות");
    }
    for (const SheetEntry& e : entries) {
        SheetValues sheet;
        sheet.name = e.name;
        if (e.worksheet) {
            CellFormats formats;
            ZIVRON_TRY(ReadSheet(s, e, sst, sheet, formats));
            // The solid fills the cells show, from their formats.
            for (const auto& [at, xf] : formats) {
                std::optional<Rgb> fill;
                if (xf < xfs.size()) {
                    fill = XfSolidFill(xfs[xf], palette);
                }
                if (fill) {
                    sheet.fills[at] = *fill;
                } else {
                    sheet.fills.erase(at);
                }
            }
        }
        book.sheets.push_back(std::move(sheet));
    }
    if (book.active >= book.sheets.size()) {
        book.active = 0;
    }
    // A chart or macro sheet holds no cells: what the program wrote there would be lost.
    if (!entries[book.active].worksheet) {
        return Error{ErrorCode::BadInput, "הגיליון הפעיל של החוברת אינו גיליון נתונים"};
    }
    return book;
}

}  // namespace zivron::sheet
