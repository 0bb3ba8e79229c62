#pragma once
// An .xls (BIFF8) workbook, read from its records (xls_reader): every cell kind, formulas as their
// cached results, the active sheet as the workbook keeps it. Saved in place it is patched
// (xls_patch): the cells and fills the program changed, every other record byte for byte. A new
// one is written whole (xls_writer).

#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include "spreadsheet/workbook.h"
#include "spreadsheet/xls/xls_patch.h"
#include "spreadsheet/xls/xls_writer.h"

namespace zivron::sheet {

class XlsWorkbook final : public Workbook {
  public:
    static Result<std::unique_ptr<XlsWorkbook>> Open(const std::filesystem::path& path);

    CellValue Read(int row, int col) const override;
    int LastRow() const override;
    Status WriteText(int row, int col, const std::string& text) override;
    Status WriteNumber(int row, int col, double value) override;
    Status WriteDate(int row, int col, int year, int month, int day) override;
    Status SetFill(int row, int col, Rgb colour) override;
    Status ClearFill(int row, int col) override;
    std::optional<Rgb> FillOf(int row, int col) const override;
    Status AddWorksheet() override;
    Status Save() override;
    Status SaveAs(const std::filesystem::path& path) override;
    const std::filesystem::path& Path() const override { return path_; }

  private:
    void Write(int row, int col, CellValue value);

    std::filesystem::path path_;
    // Every sheet of the file, in its order, and the one the cells are read from and written to.
    std::vector<SheetValues> sheets_;
    std::size_t active_ = 0;
    // The cell of the active sheet read last: reads go cell after cell, so the next is most
    // often the one after it, found without a search. Forgotten when the sheets change.
    mutable std::optional<std::map<std::pair<int, int>, CellValue>::const_iterator> last_read_;
    // The file as read (or last saved), and the cells changed since, sheet by sheet: a save
    // patches the one with the other.
    std::string original_;
    std::map<std::size_t, XlsSheetEdits> edits_;
};

}  // namespace zivron::sheet
