#include "spreadsheet/xls/xls_writer.h"

#include <algorithm>
#include <cstdint>

#include "core/utf8.h"
#include "spreadsheet/cfb/compound_writer.h"
#include "spreadsheet/xls/xls_records.h"
#include "spreadsheet/xls/xls_strings.h"

namespace zivron::sheet {
namespace {

using biff::Append;
using biff::Put16;
using biff::Put32;
using biff::Rec;

void PutChars(std::string& out, const std::u16string& s) {
    out.push_back(1);  // fHighByte: two bytes a character
    for (char16_t c : s) {
        Put16(out, c);
    }
}

std::string Bof(std::uint16_t kind) {
    std::string d;
    Put16(d, biff::kBiff8);
    Put16(d, kind);
    Put16(d, 0x0DBB);
    Put16(d, 0x07CC);
    Put32(d, 0);
    Put32(d, 0x06);
    return d;
}

std::string Xf(bool style, std::uint8_t fill_index) {
    std::string d;
    Put16(d, 0);                        // font
    Put16(d, 0);                        // number format: General
    Put16(d, style ? 0xFFF5 : 0x0001);  // locked; a style, or a cell of style 0
    d.push_back(0x20);                  // aligned to the bottom
    d.push_back(0);
    d.push_back(0);
    d.push_back(fill_index != 0 ? 0x40 : 0);     // the pattern is the cell's own
    Put32(d, 0);                                 // no borders
    Put32(d, fill_index != 0 ? (1u << 26) : 0);  // solid
    Put16(d, (0x41u << 7) | (fill_index != 0 ? fill_index : 0x40u));
    return d;
}

bool HasValue(const CellValue& v) {
    // An empty text is an empty cell, as a spreadsheet stores it.
    return v.kind != CellKind::Empty && !(v.kind == CellKind::Text && v.text.empty());
}

// A sheet from its BOF to its EOF, its INDEX pointing at `start` plus the DBCELLs' positions.
struct SheetStream {
    std::string bytes;
    std::size_t index_at = 0;
    std::vector<std::size_t> dbcells;
    std::uint32_t first_row = 0, end_row = 0;
};

Result<SheetStream> WriteSheet(const SheetValues& s, bool shown, const std::vector<Rgb>& palette,
                               SstBuilder& sst) {
    std::map<std::pair<int, int>, bool> at_all;
    for (const auto& [at, v] : s.cells) {
        if (HasValue(v)) {
            at_all[at] = true;
        }
    }
    for (const auto& [at, c] : s.fills) {
        at_all[at] = true;
    }
    std::map<int, Rec> rows;
    std::vector<biff::CellRecords> cells;
    int last_col = 0;
    for (const auto& [at, _] : at_all) {
        if (at.first < 1 || at.first > kXlsMaxRows || at.second < 1 || at.second > kXlsMaxCols) {
            return Error{ErrorCode::Unsupported,
                         "התא " + CellName(at.first, at.second) + " מחוץ לגבולות גיליון xls"};
        }
        const int row = at.first - 1;
        const int col = at.second - 1;
        last_col = std::max(last_col, at.second);
        auto [r, made] = rows.try_emplace(row, biff::RowRecord(row, col, col + 1));
        if (!made) {
            biff::Set16(r->second.data, 4, static_cast<std::uint32_t>(col + 1));
        }
        auto f = s.fills.find(at);
        const auto xf = static_cast<std::uint16_t>(
            f == s.fills.end()
                ? 15
                : 16 + (std::find(palette.begin(), palette.end(), f->second) - palette.begin()));
        auto cell = s.cells.find(at);
        Rec rec;
        if (cell == s.cells.end() || !HasValue(cell->second)) {
            rec = biff::BlankRecord(row, col, xf);  // a fill without a value
        } else {
            Result<Rec> written = biff::ValueRecord(row, col, xf, cell->second, sst);
            if (!written) {
                return written.error();
            }
            rec = std::move(written).value();
        }
        cells.push_back({row, col, std::move(rec), {}});
    }
    SheetStream out;
    if (!rows.empty()) {
        out.first_row = static_cast<std::uint32_t>(rows.begin()->first);
        out.end_row = static_cast<std::uint32_t>(rows.rbegin()->first) + 1;
    }
    biff::CellArea area = biff::LayOutCells(rows, cells);
    Append(out.bytes, {biff::kBof, Bof(biff::kWorksheet)});
    out.index_at = out.bytes.size();
    out.bytes.resize(out.bytes.size() + biff::IndexSize(area.dbcells.size()));
    Rec dim{biff::kDimensions, {}};
    Put32(dim.data, out.first_row);
    Put32(dim.data, out.end_row);
    Put16(dim.data, 0);
    Put16(dim.data, static_cast<std::uint32_t>(last_col));
    Put16(dim.data, 0);
    Append(out.bytes, dim);
    for (std::size_t d : area.dbcells) {
        out.dbcells.push_back(out.bytes.size() + d);
    }
    out.bytes += area.bytes;
    Rec win{biff::kWindow2, {}};
    // Only the active sheet is selected and shown.
    Put16(win.data, (s.right_to_left ? 0x00F6 : 0x00B6) |
                        (shown ? biff::kSheetSelected | biff::kSheetShown : 0));
    Put16(win.data, 0);
    Put16(win.data, 0);
    Put32(win.data, 0x40);
    Put16(win.data, 0);
    Put16(win.data, 0);
    Put32(win.data, 0);
    Append(out.bytes, win);
    Append(out.bytes, {biff::kEof, {}});
    return out;
}

}  // namespace

Result<std::string> WriteXls(const std::vector<SheetValues>& sheets, std::size_t active) {
    // The colours of every fill, each a palette entry from index 8.
    std::vector<Rgb> palette;
    for (const SheetValues& s : sheets) {
        for (const auto& [at, c] : s.fills) {
            if (std::find(palette.begin(), palette.end(), c) == palette.end()) {
                palette.push_back(c);
            }
        }
    }
    if (palette.size() > 56) {
        return Error{ErrorCode::Unsupported, "לחוברת xls יותר מ־56 צבעי מילוי"};
    }
    active = std::min(active, sheets.empty() ? 0 : sheets.size() - 1);
    SstBuilder sst;
    std::vector<SheetStream> bodies;
    for (const SheetValues& s : sheets) {
        Result<SheetStream> body = WriteSheet(s, &s == &sheets[active], palette, sst);
        if (!body) {
            return body.error();
        }
        bodies.push_back(std::move(body).value());
    }

    std::string g;
    Append(g, {biff::kBof, Bof(biff::kWorkbookGlobals)});
    std::string cp;
    Put16(cp, 1200);
    Append(g, {biff::kCodePage, cp});
    std::string w1;
    Put16(w1, 0);
    Put16(w1, 0);
    Put16(w1, 0x4000);
    Put16(w1, 0x2000);
    Put16(w1, 0x0038);
    Put16(w1, static_cast<std::uint32_t>(active));  // itabCur
    Put16(w1, 0);
    Put16(w1, 1);
    Put16(w1, 0x0258);
    Append(g, {biff::kWindow1, w1});
    for (int i = 0; i < 4; ++i) {
        std::string f;
        Put16(f, 200);
        Put16(f, 0);
        Put16(f, 0x7FFF);
        Put16(f, 400);
        Put16(f, 0);
        f.append(4, '\0');
        const std::u16string name = u"Arial";
        f.push_back(static_cast<char>(name.size()));
        PutChars(f, name);
        Append(g, {biff::kFont, f});
    }
    for (int i = 0; i < 15; ++i) {
        Append(g, {biff::kXf, Xf(true, 0)});
    }
    Append(g, {biff::kXf, Xf(false, 0)});
    for (std::size_t i = 0; i < palette.size(); ++i) {
        Append(g, {biff::kXf, Xf(false, static_cast<std::uint8_t>(8 + i))});
    }
    std::string style;
    Put16(style, 0x8000);
    style.push_back(0);
    style.push_back(static_cast<char>(0xFF));
    Append(g, {biff::kStyle, style});
    if (!palette.empty()) {
        Append(g, {biff::kPalette, biff::PaletteData(palette)});
    }
    std::vector<std::size_t> boundsheet_at;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        std::string bs(4, '\0');  // the sheet's position, once known
        bs.push_back(0);
        bs.push_back(0);
        std::u16string name = utf8::ToUtf16(sheets[i].name.empty() ? "Sheet" + std::to_string(i + 1)
                                                                   : sheets[i].name);
        name.resize(std::min<std::size_t>(name.size(), 31));
        bs.push_back(static_cast<char>(name.size()));
        PutChars(bs, name);
        boundsheet_at.push_back(g.size());
        Append(g, {biff::kBoundSheet, bs});
    }
    g += sst.Records(g.size());
    Append(g, {biff::kEof, {}});

    std::string stream = std::move(g);
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        SheetStream& b = bodies[i];
        const auto start = static_cast<std::uint32_t>(stream.size());
        biff::Set32(stream, boundsheet_at[i] + 4, start);
        std::vector<std::uint32_t> dbcells;
        for (std::size_t d : b.dbcells) {
            dbcells.push_back(start + static_cast<std::uint32_t>(d));
        }
        const std::string index = biff::IndexRecord(b.first_row, b.end_row, 0, dbcells);
        b.bytes.replace(b.index_at, index.size(), index);
        stream += b.bytes;
    }
    return CompoundFile(stream);
}

}  // namespace zivron::sheet
