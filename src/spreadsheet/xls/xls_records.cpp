#include "spreadsheet/xls/xls_records.h"

#include <cstring>

namespace zivron::sheet::biff {

void Append(std::string& out, const Rec& r) {
    Put16(out, r.type);
    Put16(out, static_cast<std::uint32_t>(r.data.size()));
    out += r.data;
}

std::string Bytes(const Rec& r) {
    std::string out;
    Append(out, r);
    return out;
}

std::optional<std::vector<Rec>> Split(std::string_view s) {
    // Counted first: a sheet has tens of thousands of records, and a growing list copies them.
    std::size_t count = 0;
    for (std::size_t at = 0; at + 4 <= s.size(); at += 4 + U16(s, at + 2)) {
        ++count;
    }
    std::vector<Rec> out;
    out.reserve(count);
    for (std::size_t at = 0; at + 4 <= s.size();) {
        const std::uint16_t type = U16(s, at);
        const std::size_t len = U16(s, at + 2);
        if (at + 4 + len > s.size()) {
            return std::nullopt;
        }
        out.push_back({type, std::string(s.substr(at + 4, len))});
        at += 4 + len;
    }
    return out;
}

Result<Rec> ValueRecord(int row, int col, std::uint16_t xf, const CellValue& v, SstBuilder& sst) {
    Rec r;
    Put16(r.data, static_cast<std::uint32_t>(row));
    Put16(r.data, static_cast<std::uint32_t>(col));
    Put16(r.data, xf);
    if (v.kind == CellKind::Number || v.kind == CellKind::Boolean) {
        r.type = kNumber;
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v.number, sizeof bits);
        Put32(r.data, static_cast<std::uint32_t>(bits));
        Put32(r.data, static_cast<std::uint32_t>(bits >> 32));
        return r;
    }
    Result<std::uint32_t> index = sst.Add(CellText(v));
    if (!index) {
        return Error{ErrorCode::Unsupported,
                     index.error().message + " בתא " + CellName(row + 1, col + 1)};
    }
    sst.CountReference(+1);
    r.type = kLabelSst;
    Put32(r.data, index.value());
    return r;
}

Rec BlankRecord(int row, int col, std::uint16_t xf) {
    Rec r{kBlank, {}};
    Put16(r.data, static_cast<std::uint32_t>(row));
    Put16(r.data, static_cast<std::uint32_t>(col));
    Put16(r.data, xf);
    return r;
}

std::string PaletteData(const std::vector<Rgb>& colours) {
    std::string d;
    Put16(d, 56);
    for (std::size_t i = 0; i < 56; ++i) {
        const Rgb c = i < colours.size() ? colours[i] : Rgb{0, 0, 0};
        d.push_back(static_cast<char>(c.red));
        d.push_back(static_cast<char>(c.green));
        d.push_back(static_cast<char>(c.blue));
        d.push_back(0);
    }
    return d;
}

Rec RowRecord(int row, int first_col, int end_col, std::uint16_t height) {
    Rec r{kRow, {}};
    Put16(r.data, static_cast<std::uint32_t>(row));
    Put16(r.data, static_cast<std::uint32_t>(first_col));
    Put16(r.data, static_cast<std::uint32_t>(end_col));
    Put16(r.data, height);
    Put16(r.data, 0);
    Put16(r.data, 0);
    Put16(r.data, 0x0100);
    Put16(r.data, 0x000F);
    return r;
}

namespace {

void AppendCell(std::string& out, const CellRecords& cell) {
    Append(out, cell.cell);
    for (const Rec& r : cell.attached) {
        Append(out, r);
    }
}

}  // namespace

std::vector<std::size_t> LayOutCells(std::string& bytes, const std::map<int, Rec>& rows,
                                     const std::vector<CellRecords>& cells) {
    std::vector<std::size_t> dbcells;
    std::vector<const Rec*> row_list;
    for (const auto& [row, rec] : rows) {
        row_list.push_back(&rec);
    }
    std::size_t next_cell = 0;
    for (std::size_t b = 0; b < row_list.size(); b += 32) {
        const std::size_t first_row_at = bytes.size();
        const std::size_t end = std::min(row_list.size(), b + 32);
        for (std::size_t i = b; i < end; ++i) {
            Append(bytes, *row_list[i]);
        }
        const int last_row = U16(row_list[end - 1]->data, 0);
        // DBCELL: back to the first ROW, then from the second ROW to the first row's first cell,
        // and from each row's first cell to the next one's.
        std::vector<std::uint16_t> gaps;
        std::size_t previous = first_row_at + 20;
        while (next_cell < cells.size() && cells[next_cell].row <= last_row) {
            if (next_cell == 0 || cells[next_cell].row != cells[next_cell - 1].row) {
                gaps.push_back(static_cast<std::uint16_t>(bytes.size() - previous));
                previous = bytes.size();
            }
            AppendCell(bytes, cells[next_cell]);
            ++next_cell;
        }
        Rec db{kDbCell, {}};
        Put32(db.data, static_cast<std::uint32_t>(bytes.size() - first_row_at));
        for (std::uint16_t g : gaps) {
            Put16(db.data, g);
        }
        dbcells.push_back(bytes.size());
        Append(bytes, db);
    }
    for (; next_cell < cells.size(); ++next_cell) {
        AppendCell(bytes, cells[next_cell]);
    }
    return dbcells;
}

CellArea LayOutCells(const std::map<int, Rec>& rows, const std::vector<CellRecords>& cells) {
    CellArea out;
    out.dbcells = LayOutCells(out.bytes, rows, cells);
    return out;
}

std::size_t IndexSize(std::size_t dbcells) {
    return 4 + 16 + 4 * dbcells;
}

std::string IndexRecord(std::uint32_t first_row, std::uint32_t end_row, std::uint32_t defcolwidth,
                        const std::vector<std::uint32_t>& dbcells) {
    Rec r{kIndex, {}};
    Put32(r.data, 0);
    Put32(r.data, first_row);
    Put32(r.data, end_row);
    Put32(r.data, defcolwidth);
    for (std::uint32_t d : dbcells) {
        Put32(r.data, d);
    }
    return Bytes(r);
}

}  // namespace zivron::sheet::biff
