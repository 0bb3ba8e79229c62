#pragma once
// One worksheet part of an .xlsx workbook, parsed, with an index of its rows and cells so that a
// cell is found without a walk through the sheet.

#include <optional>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"
#include "platform/spreadsheet/cell.h"

namespace zivron::sheet {

class XlsxSheet {
  public:
    Status Load(std::string_view data, const std::string& part_name);
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
    std::string Serialize() const;
    // The sheet serialised with the places where its rows begin and where its last row begins;
    // nothing for a sheet without rows.
    struct Split {
        std::string xml;
        std::size_t rows_at = 0;
        std::size_t last_row_at = 0;
    };
    std::optional<Split> SerializeSplit() const;
    std::size_t RowCount() const { return rows_.size(); }
    int FirstRow() const { return rows_.empty() ? 0 : rows_.front().row; }
    int LastRow() const { return rows_.empty() ? 0 : rows_.back().row; }
    // The address of every cell the sheet holds, row by row.
    std::vector<std::pair<int, int>> Addresses() const;

  private:
    // A row added below every row the sheet was read with holds no XML nodes: its cells are
    // kept as values and formats and written out as text with the sheet, which makes a new
    // workbook of ten thousand rows cheap to fill.
    struct NewCell {
        CellValue value;
        unsigned style = 0;
    };
    struct CellRef {
        int col;
        pugi::xml_node node;  // null for a cell of a new row
        int added = -1;       // its place in added_ then
    };
    struct RowRef {
        int row;
        pugi::xml_node node;  // null for a new row
        std::vector<CellRef> cells;
    };

    const RowRef* FindRow(int row) const;
    const CellRef* FindCell(int row, int col) const;
    CellRef& EnsureCell(int row, int col);
    // A cell of a new row, its value and format kept in added_.
    CellRef NewCellRef(int col);
    void ClearValue(pugi::xml_node cell);
    static bool HoldsNumber(pugi::xml_node cell, std::string_view text);
    void UnshareFormula(std::string_view shared_index, pugi::xml_node master);
    std::string NewRowsXml() const;

    pugi::xml_document doc_;
    pugi::xml_node sheet_data_;
    std::vector<RowRef> rows_;
    std::vector<NewCell> added_;
    bool dirty_ = false;
    bool formula_replaced_ = false;
};

}  // namespace zivron::sheet
