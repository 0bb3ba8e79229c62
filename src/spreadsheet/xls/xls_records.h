#pragma once
// The BIFF8 record: little-endian fields, a record's bytes, the list of a stream's records, and
// the cell area of a sheet laid out as Excel lays it (ROW records of up to 32 rows, their cells,
// a DBCELL) with the INDEX that points at it. Shared by the new-file writer and the patch.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "spreadsheet/cell.h"
#include "spreadsheet/little_endian.h"
#include "spreadsheet/xls/biff_codes.h"
#include "spreadsheet/xls/xls_strings.h"

namespace zivron::sheet::biff {

using le::Put16;
using le::Put32;
using le::Set16;
using le::Set32;
using le::U16;
using le::U32;

inline constexpr std::size_t kMaxRecordData = 8224;

struct Rec {
    std::uint16_t type = 0;
    std::string data;
};

void Append(std::string& out, const Rec& r);
std::string Bytes(const Rec& r);

// Every record of a stream; nothing when one is longer than what is left of it.
std::optional<std::vector<Rec>> Split(std::string_view stream);

// One cell, or a run of cells of one row (MULRK, MULBLANK), with the records that follow it.
// The cell's own record is held in place: a sheet has tens of thousands, and few have others.
struct CellRecords {
    int row = 0;  // from 0, as stored
    int first_col = 0;
    Rec cell;
    std::vector<Rec> attached;  // a formula's string or shared formula, a note's object
};

// The record of a cell (row and column from 0) holding `v`: NUMBER for a number or a boolean,
// LABELSST for a text, its string put in `sst`; a text past the format's limit is refused,
// naming the cell.
Result<Rec> ValueRecord(int row, int col, std::uint16_t xf, const CellValue& v, SstBuilder& sst);

// The BLANK record of a cell with a format and no value (a fill alone).
Rec BlankRecord(int row, int col, std::uint16_t xf);

// The data of a PALETTE record: the colours of indices 8 to 63, black where `colours` ends.
std::string PaletteData(const std::vector<Rgb>& colours);

// A ROW record for a row with cells in [first_col, end_col), of the sheet's default height (in
// twips): the row is drawn as it was without one.
Rec RowRecord(int row, int first_col, int end_col, std::uint16_t height = kStandardRowHeight);

// The cell area: `cells` sorted by row and column, every row of them in `rows`. The positions of
// the DBCELL records are relative to the area's first byte.
struct CellArea {
    std::string bytes;
    std::vector<std::size_t> dbcells;
};
CellArea LayOutCells(const std::map<int, Rec>& rows, const std::vector<CellRecords>& cells);
// The same written at the end of `out`; the positions of the DBCELL records are in `out`.
std::vector<std::size_t> LayOutCells(std::string& out, const std::map<int, Rec>& rows,
                                     const std::vector<CellRecords>& cells);

// The size an INDEX record takes for that many DBCELL records, and its bytes: the rows from
// `first_row` to before `end_row`, the stream positions of DEFCOLWIDTH (0: none) and the DBCELLs.
std::size_t IndexSize(std::size_t dbcells);
std::string IndexRecord(std::uint32_t first_row, std::uint32_t end_row, std::uint32_t defcolwidth,
                        const std::vector<std::uint32_t>& dbcells);

}  // namespace zivron::sheet::biff
