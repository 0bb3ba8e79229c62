#include "spreadsheet/xls/xls_patch.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "spreadsheet/cfb/compound_reader.h"
#include "spreadsheet/cfb/compound_writer.h"
#include "spreadsheet/xls/xls_reader.h"
#include "spreadsheet/xls/xls_records.h"
#include "spreadsheet/xls/xls_strings.h"
#include "spreadsheet/xls/xls_writer.h"

namespace zivron::sheet {
namespace {

using biff::Bytes;
using biff::Put16;
using biff::Rec;
using biff::Set16;
using biff::Set32;
using biff::U16;
using biff::U32;

Error Refused(const std::string& why) {
    return Error{ErrorCode::Unsupported, "לא ניתן לשמור את חוברת ה-xls (" + why + ")"};
}

bool IsCell(std::uint16_t t) {
    switch (t) {
        case biff::kNumber:
        case biff::kRk:
        case biff::kMulRk:
        case biff::kLabelSst:
        case biff::kLabel:
        case biff::kBoolErr:
        case biff::kBlank:
        case biff::kMulBlank:
        case biff::kFormula:
        case biff::kRichString:
            return true;
        default:
            return false;
    }
}

bool IsAttached(std::uint16_t t) {
    return t == biff::kString || t == biff::kSharedFormula || t == biff::kArray ||
           t == biff::kTable || t == biff::kContinue;
}

using Item = biff::CellRecords;

// The cells of a MULRK or MULBLANK one by one, as RK and BLANK records.
std::vector<Item> Singles(const Item& run) {
    std::vector<Item> out;
    const Rec& r = run.cell;
    const bool rk = r.type == biff::kMulRk;
    const std::size_t step = rk ? 6 : 2;
    int col = run.first_col;
    for (std::size_t at = 4; at + step + 2 <= r.data.size(); at += step, ++col) {
        Rec single{static_cast<std::uint16_t>(rk ? biff::kRk : biff::kBlank), {}};
        Put16(single.data, static_cast<std::uint32_t>(run.row));
        Put16(single.data, static_cast<std::uint32_t>(col));
        single.data += r.data.substr(at, step);
        out.push_back({run.row, col, std::move(single), {}});
    }
    return out;
}

int LastCol(const Item& it) {
    const Rec& r = it.cell;
    if (r.type == biff::kMulRk || r.type == biff::kMulBlank) {
        return U16(r.data, r.data.size() - 2);
    }
    return it.first_col;
}

// The formats: new ones copied from a cell's own with a fill set or taken away.
class Formats {
  public:
    Formats(std::vector<std::string> xfs, std::vector<Rgb> palette, bool had_palette,
            std::set<int> used_colours)
        : xfs_(std::move(xfs)),
          base_(xfs_.size()),
          palette_(std::move(palette)),
          had_palette_(had_palette),
          used_(std::move(used_colours)) {}

    Result<std::uint16_t> With(std::uint16_t xf, std::optional<Rgb> fill) {
        if (xf >= base_) {
            return Refused("תבנית תא שאינה בחוברת");
        }
        const auto key =
            std::make_pair(xf, fill ? (fill->red << 16 | fill->green << 8 | fill->blue) : -1);
        if (auto it = made_.find(key); it != made_.end()) {
            return it->second;
        }
        std::string x = xfs_[xf];
        std::uint32_t border = U32(x, 14);
        border &= ~(1u << 25);  // no extended format record belongs to the copy
        border = (border & ~(0x3Fu << 26)) | ((fill ? 1u : 0u) << 26);
        Set32(x, 14, border);
        if (fill) {
            Result<int> index = Colour(*fill);
            if (!index) {
                return index.error();
            }
            Set16(x, 18, static_cast<std::uint32_t>(index.value()) | (64u << 7));
        }
        x[9] = static_cast<char>(static_cast<unsigned char>(x[9]) | 0x40);  // the fill is its own
        if (U16(x, 4) & biff::kStyleXf) {
            // A cell that names a style's format: the copy is a cell format of that style, every
            // attribute its own, as a cell format's bits say (a style's say the opposite).
            Set16(x, 4, (U16(x, 4) & 0x000B) | static_cast<std::uint32_t>(xf) << 4);
            x[9] = static_cast<char>(0xFC);
        }
        if (std::max(xfs_.size(), referenced_) >= 4000) {
            return Refused("יותר מדי תבניות תא");
        }
        // Cells that name formats past the last (a damaged file) read without a fill: the new
        // formats go after every index named, the places between held by plain ones.
        while (xfs_.size() < referenced_) {
            std::string plain = xfs_[std::min<std::size_t>(15, base_ - 1)];
            Set32(plain, 14, U32(plain, 14) & ~(0x3Fu << 26));
            xfs_.push_back(std::move(plain));
        }
        xfs_.push_back(x);
        const auto index = static_cast<std::uint16_t>(xfs_.size() - 1);
        made_[key] = index;
        return index;
    }
    // The cells and rows name formats up to `count` - 1.
    void Referenced(std::size_t count) { referenced_ = std::max(referenced_, count); }
    const std::vector<std::string>& All() const { return xfs_; }
    std::size_t Base() const { return base_; }
    bool PaletteChanged() const { return palette_changed_; }
    bool HadPalette() const { return had_palette_; }
    std::string PaletteData() const { return biff::PaletteData(palette_); }

  private:
    // A colour of the palette, reusing an entry before replacing one nothing refers to.
    Result<int> Colour(Rgb c) {
        for (std::size_t i = 0; i < palette_.size(); ++i) {
            if (palette_[i] == c) {
                return static_cast<int>(8 + i);
            }
        }
        for (int i = static_cast<int>(palette_.size()) - 1; i >= 0; --i) {
            if (used_.count(8 + i) == 0) {
                palette_[static_cast<std::size_t>(i)] = c;
                used_.insert(8 + i);
                palette_changed_ = true;
                return 8 + i;
            }
        }
        return Refused("כל 56 הצבעים של החוברת בשימוש");
    }

    std::vector<std::string> xfs_;
    std::size_t base_;
    std::vector<Rgb> palette_;
    bool had_palette_;
    std::set<int> used_;
    bool palette_changed_ = false;
    std::size_t referenced_ = 0;
    std::map<std::pair<std::uint16_t, int>, std::uint16_t> made_;
};

// A sheet whose cells changed: its cell records rebuilt in row blocks with fresh DBCELL
// records; everything before and after them kept as it was. Offsets are relative to the
// sheet's start; `dbcells` and `index_at` tell where its INDEX must point once it is placed.
struct BuiltSheet {
    std::string bytes;
    std::vector<std::size_t> dbcells;  // relative positions of the DBCELL records
    std::optional<std::size_t> index_at;
    std::optional<std::size_t> defcolwidth_at;
    std::uint32_t first_row = 0, last_row = 0;
};

// Where a record of a sheet goes when its cells are laid out again: the cell area (ROW, DBCELL,
// the cells and what follows a cell), or before or after it. A chart or an object embedded in the
// sheet, from its BOF to its EOF, goes whole where it stood, its NUMBER and LABEL records no
// cells of the sheet; a record that stood among the cells goes after them.
struct SortedSheet {
    std::vector<Rec> prefix, suffix;
    std::map<int, Rec> rows;
    std::vector<Item> items;
    std::size_t size = 0;  // bytes of every record
};

Result<SortedSheet> SortRecords(std::span<Rec> recs, std::size_t room_for_new) {
    SortedSheet out;
    out.items.reserve(recs.size() + room_for_new);  // the new cells too: it becomes the list
    enum { Prefix, Area, Suffix } last = Prefix;
    bool area_seen = false;
    int nested = 0;
    bool first = true;
    // Each record moves to its place: a sheet has tens of thousands of them.
    for (Rec& r : recs) {
        out.size += 4 + r.data.size();
        const bool sheet_level = nested == 0 && !first;
        if (r.type == biff::kBof && !first) {
            ++nested;
        } else if (r.type == biff::kEof && nested > 0) {
            --nested;
        }
        first = false;
        const bool attached =
            sheet_level && IsAttached(r.type) && (r.type != biff::kContinue || last == Area);
        const bool area = sheet_level && (r.type == biff::kRow || r.type == biff::kDbCell ||
                                          IsCell(r.type) || (attached && area_seen));
        if (!area) {
            // A CONTINUE goes on with the record before it; anything else of the sheet goes
            // before the cells until one is seen.
            const bool before = r.type == biff::kContinue ? last == Prefix : !area_seen;
            (before ? out.prefix : out.suffix).push_back(std::move(r));
            last = before ? Prefix : Suffix;
            continue;
        }
        area_seen = true;
        last = Area;
        if (r.type == biff::kRow) {
            const int row = U16(r.data, 0);
            out.rows[row] = std::move(r);
        } else if (r.type == biff::kDbCell) {
            continue;  // made again
        } else if (attached) {
            if (out.items.empty()) {
                return Refused("רשומה בלי תא");
            }
            out.items.back().attached.push_back(std::move(r));
        } else {
            const int row = U16(r.data, 0);
            const int col = U16(r.data, 2);
            out.items.push_back({row, col, std::move(r), {}});
        }
    }
    return out;
}

// The height of a row the sheet has no ROW record for: the sheet's default (DEFAULTROWHEIGHT).
std::uint16_t DefaultRowHeight(const std::vector<Rec>& prefix) {
    for (const Rec& r : prefix) {
        if (r.type == biff::kDefaultRowHeight && r.data.size() >= 4) {
            return static_cast<std::uint16_t>(U16(r.data, 2) & 0x7FFF);
        }
    }
    return biff::kStandardRowHeight;
}

Result<BuiltSheet> Rebuild(std::span<Rec> recs, const XlsSheetEdits& edits, Formats& formats,
                           SstBuilder& sst) {
    Result<SortedSheet> sorted = SortRecords(recs, edits.size());
    if (!sorted) {
        return sorted.error();
    }
    std::vector<Rec>& prefix = sorted.value().prefix;
    std::vector<Rec>& suffix = sorted.value().suffix;
    std::map<int, Rec>& rows = sorted.value().rows;
    std::vector<Item>& items = sorted.value().items;
    const std::size_t sheet_size = sorted.value().size;
    const bool had_cells = !rows.empty() || !items.empty();
    if (!had_cells) {
        // A sheet without cells: its new cells go where the cell area belongs, after DIMENSIONS
        // (or before WINDOW2, or before EOF), never after the sheet's end.
        auto split = std::find_if(prefix.begin(), prefix.end(),
                                  [](const Rec& r) { return r.type == biff::kDimensions; });
        if (split != prefix.end()) {
            ++split;
        } else {
            // Before WINDOW2, or else before the sheet's own EOF, its last record.
            split = std::find_if(prefix.begin(), prefix.end(),
                                 [](const Rec& r) { return r.type == biff::kWindow2; });
            if (split == prefix.end() && !prefix.empty()) {
                split = prefix.end() - 1;
            }
        }
        suffix.assign(split, prefix.end());
        prefix.erase(split, prefix.end());
    }
    // Runs that hold an edited cell go one cell a record; without such a run (as most sheets,
    // written a cell a record) the list is taken as it is.
    const auto touched = [&](const Item& it) {
        const bool run = it.cell.type == biff::kMulRk || it.cell.type == biff::kMulBlank;
        for (int c = it.first_col; run && c <= LastCol(it); ++c) {
            if (edits.count({it.row + 1, c + 1}) > 0) {
                return true;
            }
        }
        return false;
    };
    std::vector<Item> cells;
    if (std::none_of(items.begin(), items.end(), touched)) {
        cells = std::move(items);  // with the room reserved for the new cells
    } else {
        cells.reserve(items.size() + edits.size());
        for (Item& it : items) {
            if (touched(it)) {
                for (Item& single : Singles(it)) {
                    cells.push_back(std::move(single));
                }
            } else {
                cells.push_back(std::move(it));
            }
        }
    }
    // The cells are found by a search over them in order: every writer keeps them so, and a
    // file that does not is put in order once. New cells go after them and are merged in last.
    const auto by_place = [](const Item& a, const Item& b) {
        return std::tie(a.row, a.first_col) < std::tie(b.row, b.first_col);
    };
    if (!std::is_sorted(cells.begin(), cells.end(), by_place)) {
        std::stable_sort(cells.begin(), cells.end(), by_place);
    }
    const std::size_t kept = cells.size();
    const auto find = [&](int row, int col) -> std::optional<std::size_t> {
        // The last of equal ones, as a file that holds a cell twice is read.
        const Item key{row, col, {}, {}};
        const auto end = cells.begin() + static_cast<std::ptrdiff_t>(kept);
        const auto after = std::upper_bound(cells.begin(), end, key, by_place);
        if (after == cells.begin() || by_place(*(after - 1), key)) {
            return std::nullopt;
        }
        return static_cast<std::size_t>(after - 1 - cells.begin());
    };
    for (const auto& [where, edit] : edits) {
        const int row = where.first - 1;
        const int col = where.second - 1;
        const std::optional<std::size_t> found = find(row, col);
        std::uint16_t xf = 15;  // the workbook's default cell format
        if (found) {
            const Item& old = cells[*found];
            xf = U16(old.cell.data, 4);
            for (const Rec& r : old.attached) {
                if (r.type == biff::kSharedFormula && edit.value) {
                    return Refused("תא של נוסחה משותפת");
                }
            }
        } else if (auto rr = rows.find(row);
                   rr != rows.end() && (U16(rr->second.data, 12) & 0x80)) {
            xf = U16(rr->second.data, 14) & biff::kRowXfMask;  // the row's own format
        }
        if (edit.fill) {
            Result<std::uint16_t> with = formats.With(xf, *edit.fill);
            if (!with) {
                return with.error();
            }
            xf = with.value();
        }
        if (edit.value) {
            Result<Rec> written = biff::ValueRecord(row, col, xf, *edit.value, sst);
            if (!written) {
                return Refused(written.error().message);
            }
            Item fresh{row, col, std::move(written).value(), {}};
            if (found) {
                if (cells[*found].cell.type == biff::kLabelSst) {
                    sst.CountReference(-1);
                }
                cells[*found] = std::move(fresh);
            } else {
                cells.push_back(std::move(fresh));
            }
        } else if (found) {
            Set16(cells[*found].cell.data, 4, xf);
        } else {
            cells.push_back({row, col, biff::BlankRecord(row, col, xf), {}});
        }
    }
    const auto added = cells.begin() + static_cast<std::ptrdiff_t>(kept);
    std::sort(added, cells.end(), by_place);  // one new cell a place: no two are equal
    std::inplace_merge(cells.begin(), added, cells.end(), by_place);

    // An edited row has its ROW record, whose column span covers its cells; a row the edits did
    // not touch keeps its ROW record as it was, or stays without one.
    struct Span {
        int row, lo, hi;
    };
    std::vector<Span> spans;
    for (const Item& it : cells) {
        if (spans.empty() || spans.back().row != it.row) {
            spans.push_back({it.row, it.first_col, LastCol(it) + 1});
        }
        spans.back().lo = std::min(spans.back().lo, it.first_col);
        spans.back().hi = std::max(spans.back().hi, LastCol(it) + 1);
    }
    const std::uint16_t height = DefaultRowHeight(prefix);
    auto edit = edits.begin();
    for (const Span& span : spans) {
        while (edit != edits.end() && edit->first.first - 1 < span.row) {
            ++edit;
        }
        if (edit == edits.end() || edit->first.first - 1 != span.row) {
            continue;
        }
        auto [it, made] = rows.try_emplace(span.row);
        if (made) {
            it->second = biff::RowRecord(span.row, span.lo, span.hi, height);
        }
        if (U16(it->second.data, 2) > span.lo || U16(it->second.data, 4) < span.hi) {
            Set16(it->second.data, 2,
                  static_cast<std::uint32_t>(std::min<int>(U16(it->second.data, 2), span.lo)));
            Set16(it->second.data, 4,
                  static_cast<std::uint32_t>(std::max<int>(U16(it->second.data, 4), span.hi)));
        }
    }

    BuiltSheet out;
    // Room for the whole sheet at once: the records as read, what the edits may add, the INDEX.
    const std::size_t blocks = (rows.size() + 31) / 32;
    out.bytes.reserve(sheet_size + edits.size() * 48 + biff::IndexSize(blocks));
    for (const Rec& r : prefix) {
        if (r.type == biff::kIndex) {
            // INDEX: its size follows the blocks, its offsets are filled in once the sheet is
            // placed.
            out.index_at = out.bytes.size();
            out.bytes += biff::IndexRecord(0, 0, 0, std::vector<std::uint32_t>(blocks, 0));
            continue;
        }
        if (r.type == biff::kDefaultColumnWidth) {
            out.defcolwidth_at = out.bytes.size();
        }
        Rec copy = r;
        if (r.type == biff::kDimensions && !spans.empty()) {  // DIMENSIONS
            Set32(copy.data, 0,
                  std::min<std::uint32_t>(U32(copy.data, 0),
                                          static_cast<std::uint32_t>(spans.front().row)));
            Set32(copy.data, 4,
                  std::max<std::uint32_t>(U32(copy.data, 4),
                                          static_cast<std::uint32_t>(spans.back().row + 1)));
        }
        out.bytes += Bytes(copy);
    }
    // The rows the INDEX spans: those with a ROW record or a cell.
    if (!rows.empty() || !spans.empty()) {
        const int first = std::min(rows.empty() ? spans.front().row : rows.begin()->first,
                                   spans.empty() ? rows.begin()->first : spans.front().row);
        const int last = std::max(rows.empty() ? spans.back().row : rows.rbegin()->first,
                                  spans.empty() ? rows.rbegin()->first : spans.back().row);
        out.first_row = static_cast<std::uint32_t>(first);
        out.last_row = static_cast<std::uint32_t>(last) + 1;
    }
    out.dbcells = biff::LayOutCells(out.bytes, rows, cells);
    for (const Rec& r : suffix) {
        biff::Append(out.bytes, r);
    }
    return out;
}

}  // namespace

Result<std::string> PatchXls(std::string_view file,
                             const std::map<std::size_t, XlsSheetEdits>& edits) {
    Result<std::vector<std::pair<std::u16string, std::string>>> streams = CompoundStreams(file);
    if (!streams) {
        return streams.error();
    }
    std::string* workbook = nullptr;
    for (auto& [name, bytes] : streams.value()) {
        if (name == u"Workbook") {
            workbook = &bytes;
        }
    }
    if (workbook == nullptr) {
        return Refused("אין בה זרם של חוברת");
    }
    std::optional<std::vector<Rec>> all = biff::Split(*workbook);
    if (!all) {
        return Refused("רשומה ארוכה מהזרם");
    }
    // The globals, up to their EOF.
    std::vector<Rec> globals;
    std::size_t at = 0;
    for (; at < all.value().size(); ++at) {
        globals.push_back(all.value()[at]);
        if (all.value()[at].type == biff::kEof) {
            break;
        }
    }
    std::vector<std::string> xfs;
    std::vector<Rgb> palette = DefaultXlsPalette();
    bool had_palette = false;
    std::set<int> used;
    std::vector<std::uint32_t> sheet_starts;
    for (const Rec& r : globals) {
        if (r.type == biff::kXf && r.data.size() >= 20) {
            xfs.push_back(r.data);
            used.insert(U16(r.data, 18) & 0x7F);
            used.insert((U16(r.data, 18) >> 7) & 0x7F);
            used.insert((U32(r.data, 10) >> 16) & 0x7F);
            used.insert((U32(r.data, 10) >> 23) & 0x7F);
            used.insert(U32(r.data, 14) & 0x7F);
            used.insert((U32(r.data, 14) >> 7) & 0x7F);
        } else if (r.type == biff::kFont && r.data.size() >= 6) {  // FONT: its colour
            used.insert(U16(r.data, 4));
        } else if (r.type == biff::kPalette) {
            had_palette = true;
            for (std::size_t i = 0; i < 56 && 2 + 4 * i + 3 <= r.data.size(); ++i) {
                palette[i] = {static_cast<std::uint8_t>(r.data[2 + 4 * i]),
                              static_cast<std::uint8_t>(r.data[3 + 4 * i]),
                              static_cast<std::uint8_t>(r.data[4 + 4 * i])};
            }
        } else if (r.type == biff::kBoundSheet) {
            sheet_starts.push_back(U32(r.data, 0));
        }
    }
    Formats formats(xfs, palette, had_palette, used);
    // The shared strings: the SST's record and the CONTINUE records right after it.
    SstBuilder sst;
    bool had_sst = false;
    for (std::size_t i = 0; i < globals.size(); ++i) {
        if (globals[i].type != biff::kSst) {
            continue;
        }
        std::vector<std::string_view> records = {globals[i].data};
        for (std::size_t k = i + 1; k < globals.size() && globals[k].type == biff::kContinue; ++k) {
            records.push_back(globals[k].data);
        }
        Result<SstBuilder> from = SstBuilder::From(records);
        if (!from) {
            return Refused(from.error().message);
        }
        sst = std::move(from).value();
        had_sst = true;
        break;
    }

    // Each sheet's records: from its BOF to its EOF, found by the stream positions it has now.
    std::vector<std::size_t> rec_at;  // the stream position of every record
    for (std::size_t pos = 0, i = 0; i < all.value().size(); ++i) {
        rec_at.push_back(pos);
        pos += 4 + all.value()[i].data.size();
    }
    // Each sheet's range of records, from its BOF to its EOF.
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    for (std::uint32_t start : sheet_starts) {
        auto first = std::lower_bound(rec_at.begin(), rec_at.end(), start);
        if (first == rec_at.end() || *first != start) {
            return Refused("גיליון מחוץ לזרם");
        }
        // Up to its own EOF: a chart embedded in it has a BOF and an EOF of its own.
        std::size_t end = static_cast<std::size_t>(first - rec_at.begin()) + 1;
        for (int nested = 0; end < all.value().size(); ++end) {
            const std::uint16_t type = all.value()[end].type;
            if (type == biff::kEof && nested-- == 0) {
                ++end;
                break;
            }
            nested += type == biff::kBof ? 1 : 0;
        }
        ranges.emplace_back(static_cast<std::size_t>(first - rec_at.begin()), end);
    }
    // A sheet's records are read where they stand in the stream's list (the rebuild moves them
    // out) when no two sheets, nor the globals, share any, as in every file a writer makes; a
    // file whose sheets overlap has a copy made for each.
    std::vector<std::pair<std::size_t, std::size_t>> in_order = ranges;
    in_order.emplace_back(0, at + 1);
    std::sort(in_order.begin(), in_order.end());
    bool apart = true;
    for (std::size_t k = 1; k < in_order.size(); ++k) {
        apart = apart && in_order[k - 1].second <= in_order[k].first;
    }
    std::vector<std::vector<Rec>> copies;
    copies.reserve(ranges.size());
    std::vector<std::span<Rec>> sheets;
    for (const auto& [first, end] : ranges) {
        const auto from = all.value().begin() + static_cast<std::ptrdiff_t>(first);
        const auto to = all.value().begin() + static_cast<std::ptrdiff_t>(end);
        if (apart) {
            sheets.emplace_back(from, to);  // taken from the stream's list as they stand
        } else {
            sheets.emplace_back(copies.emplace_back(from, to));
        }
    }
    for (std::span<Rec> sheet : sheets) {
        for (const Rec& r : sheet) {
            if (r.data.size() >= 6 && IsCell(r.type)) {
                formats.Referenced(std::size_t{U16(r.data, 4)} + 1);
            } else if (r.type == biff::kRow && r.data.size() >= 16 && (U16(r.data, 12) & 0x80)) {
                formats.Referenced((U16(r.data, 14) & biff::kRowXfMask) + 1u);
            }
        }
    }
    std::vector<BuiltSheet> built;
    for (std::size_t i = 0; i < sheets.size(); ++i) {
        auto e = edits.find(i);
        if (e == edits.end() || e->second.empty()) {
            BuiltSheet kept;
            std::size_t rel = 0;
            for (const Rec& r : sheets[i]) {
                if (r.type == biff::kIndex) {
                    kept.index_at = rel;
                }
                kept.bytes += Bytes(r);
                rel += 4 + r.data.size();
            }
            built.push_back(std::move(kept));
            continue;
        }
        Result<BuiltSheet> b = Rebuild(sheets[i], e->second, formats, sst);
        if (!b) {
            return b.error();
        }
        built.push_back(std::move(b).value());
    }

    // The globals again: the new formats after the last one, the palette where it was (or after
    // the formats), the shared strings with their index made again, the sheets' positions once
    // known.
    std::string head;
    std::vector<std::size_t> boundsheet_at;
    std::size_t xf_seen = 0;
    for (std::size_t i = 0; i < globals.size(); ++i) {
        const Rec& r = globals[i];
        if (r.type == biff::kPalette && formats.PaletteChanged()) {
            head += Bytes({biff::kPalette, formats.PaletteData()});
        } else if (r.type == biff::kBoundSheet) {
            boundsheet_at.push_back(head.size());
            head += Bytes(r);
        } else if (r.type == biff::kSst) {
            head += sst.Records(head.size());
            while (i + 1 < globals.size() && globals[i + 1].type == biff::kContinue) {
                ++i;
            }
        } else if (r.type == biff::kExtSst) {
            continue;  // EXTSST: written with the strings
        } else if (r.type == biff::kEof && !had_sst && !sst.Empty()) {
            head += sst.Records(head.size());
            head += Bytes(r);
        } else {
            head += Bytes(r);
        }
        if (r.type == biff::kXf && ++xf_seen == formats.Base()) {
            for (std::size_t k = formats.Base(); k < formats.All().size(); ++k) {
                head += Bytes({biff::kXf, formats.All()[k]});
            }
            if (formats.PaletteChanged() && !formats.HadPalette()) {
                head += Bytes({biff::kPalette, formats.PaletteData()});
            }
        }
    }
    std::size_t total = head.size();
    for (const BuiltSheet& b : built) {
        total += b.bytes.size();
    }
    std::string out;
    out.reserve(total);
    out += head;
    for (std::size_t i = 0; i < built.size(); ++i) {
        const auto start = static_cast<std::uint32_t>(out.size());
        BuiltSheet& b = built[i];
        if (i < boundsheet_at.size()) {
            Set32(out, boundsheet_at[i] + 4, start);
        }
        const bool rebuilt = edits.count(i) != 0 && !edits.at(i).empty();
        if (b.index_at) {
            const std::size_t ix = *b.index_at + 4;
            if (rebuilt) {
                Set32(b.bytes, ix + 4, b.first_row);
                Set32(b.bytes, ix + 8, b.last_row);
                Set32(b.bytes, ix + 12,
                      b.defcolwidth_at ? start + static_cast<std::uint32_t>(*b.defcolwidth_at) : 0);
                for (std::size_t k = 0; k < b.dbcells.size(); ++k) {
                    Set32(b.bytes, ix + 16 + 4 * k,
                          start + static_cast<std::uint32_t>(b.dbcells[k]));
                }
            } else {
                // A sheet kept whole moved as a piece: its absolute positions move with it.
                const std::uint32_t old_start = sheet_starts[i];
                const std::size_t len = U16(b.bytes, *b.index_at + 2);
                for (std::size_t k = ix + 12; k + 4 <= ix + len; k += 4) {
                    const std::uint32_t v = U32(b.bytes, k);
                    if (v != 0) {
                        Set32(b.bytes, k, v - old_start + start);
                    }
                }
            }
        }
        out += b.bytes;
    }
    *workbook = std::move(out);
    return CompoundOf(std::move(streams).value());  // the writer's own compound layout
}

}  // namespace zivron::sheet
