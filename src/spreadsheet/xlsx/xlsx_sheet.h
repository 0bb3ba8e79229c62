#pragma once
// One worksheet part of an .xlsx workbook: its XML as read, with an index of where each row and
// cell stands in it. A save writes the bytes back with the changed cells put in, so rows the
// program did not touch go out as they came in.

#include <cstdint>
#include <functional>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "spreadsheet/cell.h"
#include "spreadsheet/xlsx/cell_edits.h"
#include "spreadsheet/xlsx/cell_xml.h"
#include "spreadsheet/xlsx/xml_scan.h"

namespace zivron::sheet {

class XlsxSheet {
  public:
    Status Load(std::string data, const std::string& part_name);
    static std::string EmptySheetXml();

    CellValue Read(int row, int col, const std::vector<std::string>& shared_strings) const;
    Status WriteText(int row, int col, std::string_view text);
    Status WriteNumber(int row, int col, double value);
    unsigned StyleOf(int row, int col) const;
    void SetStyle(int row, int col, unsigned xf);

    // The sheet is no longer the selected tab (another became active).
    void Deselect();

    bool Dirty() const { return dirty_; }
    // A formula was replaced, so the workbook's calculation chain no longer fits.
    bool FormulaReplaced() const { return formula_replaced_; }
    // The sheet's XML; a sheet nothing changed gives back the bytes it was read from.
    std::string Serialize() const;
    // The same bytes handed to `sink` a piece at a time as they are composed (about a megabyte
    // each, the final one with `last`), so that they are not held whole beside what was read.
    using PieceSink = std::function<void(std::string_view piece, bool last)>;
    void Stream(const PieceSink& sink) const;
    // The sheet serialised with the places where its rows begin and where its last row begins;
    // nothing for a sheet without rows.
    struct Split {
        std::string xml;
        std::size_t rows_at = 0;
        std::size_t last_row_at = 0;
    };
    std::optional<Split> SerializeSplit() const;
    int FirstRow() const { return rows_.empty() ? 0 : rows_.front().row; }
    int LastRow() const { return rows_.empty() ? 0 : rows_.back().row; }
    // The address of every cell the sheet holds, row by row.
    std::vector<std::pair<int, int>> Addresses() const;

  private:
    // Cells the sheet did not have hold no XML until the sheet is written: a value and a
    // format, which makes a new workbook of ten thousand rows cheap to fill.
    struct NewCell {
        CellValue value;
        unsigned style = 0;
    };
    // A cell the sheet was read with is its bytes in raw_ until it changes, and its XML text in
    // edits_ after.
    struct CellRef {
        int col;
        std::uint32_t at = 0;
        std::uint32_t size = 0;   // 0 for a new cell
        std::int32_t index = -1;  // in edits_ once changed; in added_ for a new cell
        std::uint32_t style = 0;  // its format, as read or as set
        // A format set and not yet in its XML: put in as the cell is written, or before its
        // content changes, so the XML is what setting it at once would have made.
        bool restyled = false;
        // Its start tag's length and where its type is written in it, as the scan found them;
        // 0 where the tag is to be walked again (long, empty, or with attributes besides its
        // address, format and type).
        std::uint8_t head = 0;
        std::uint8_t type_at = 0;
        std::uint8_t type_size = 0;
    };
    struct RowRef {
        explicit RowRef(int number, std::uint32_t start = 0) : row(number), at(start) {}
        int row;
        std::uint32_t at = 0;
        std::uint32_t size = 0;  // 0 for a new row
        bool changed = false;    // a cell of it changed or was added
        bool grown = false;      // a cell was added
        std::vector<CellRef> cells;
    };
    // What a scan of the bytes found: rows read, or a sheet to hand to the full parser first.
    enum class Scan { Rows, NotPlain };

    Result<Scan> ScanRows();
    // `cells` is room for the row's cells as they are found, kept from row to row.
    Result<Scan> ScanRow(const xml::Tag& tag, std::size_t at, int& prev_row,
                         std::vector<CellRef>& cells);
    Status NormaliseRaw(const std::string& part_name);

    const RowRef* FindRow(int row) const;
    const CellRef* FindCell(int row, int col) const;
    // Where the cell of column `col` is in the row, or would go.
    static std::size_t CellSlot(const RowRef& row, int col);
    // The cell, made if the sheet lacks it, and its row.
    std::pair<RowRef*, CellRef*> EnsureCell(int row, int col);
    CellRef NewCellRef(int col);
    std::string_view CellXml(const CellRef& cell) const;
    // What the scan noted of the cell's start tag, while its XML is the one scanned.
    static std::optional<cell_xml::KnownHead> KnownHeadOf(const CellRef& cell);
    bool Holds(const CellRef& cell, std::string_view type, std::string_view content) const;
    void Replace(RowRef& row, CellRef& cell, std::string_view xml);
    // The cell's XML with its content replaced, a format set on it put in first.
    void ReplaceContent(RowRef& row, CellRef& cell, std::string_view type,
                        std::string_view content);
    // Notes a formula the cell's new value replaces; cells sharing it keep their values.
    void ClearFormula(const CellRef& cell);
    void AppendRow(std::string& out, const RowRef& row) const;
    void AppendNewRow(std::string& out, const RowRef& row) const;
    void AppendNewCell(std::string& out, int row, const CellRef& cell) const;
    // Composes the XML into `out`, handing it to `sink`, if one is given, as it fills; where
    // the rows begin, and the last of them, are places in `out` when there is no sink.
    void Compose(std::string& out, const PieceSink* sink, std::size_t* rows_at,
                 std::size_t* last_row_at) const;
    static constexpr std::size_t kPiece = 1 << 20;

    std::string raw_;      // the sheet's XML as read, or as the full parser wrote it
    std::string as_read_;  // the bytes read, when the full parser wrote raw_
    std::size_t rows_begin_ = 0;
    std::size_t rows_end_ = 0;
    // The sheet without its rows, for what lies around them (the selected tab, the prefix).
    pugi::xml_document frame_;
    pugi::xml_node sheet_data_;
    cell_xml::Tags tags_;
    std::vector<RowRef> rows_;
    CellEdits edits_;
    std::string scratch_;  // a changed cell's XML as it is formed
    std::vector<NewCell> added_;
    std::size_t restyles_ = 0;  // formats set on cells read, for the room a save needs
    bool dirty_ = false;
    bool formula_replaced_ = false;
};

}  // namespace zivron::sheet
