#pragma once
// An .xlsx workbook, edited in memory and saved whole. Parts the program does not change are
// written back exactly as they were read.

#include <filesystem>
#include <memory>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "spreadsheet/sheet_values.h"
#include "spreadsheet/workbook.h"
#include "spreadsheet/xlsx/xlsx_package.h"
#include "spreadsheet/xlsx/xlsx_sheet.h"
#include "spreadsheet/xlsx/xlsx_styles.h"

namespace zivron::sheet {

class XlsxWorkbook final : public Workbook, public RowsKeptApart {
  public:
    static Result<std::unique_ptr<XlsxWorkbook>> Open(const std::filesystem::path& path,
                                                      OpenMode mode = OpenMode::Whole);
    static std::unique_ptr<XlsxWorkbook> New();

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
    RowsKeptApart* KeptApartRows() override { return this; }
    int FirstRow() const override { return first_row_; }
    void KeepLastRowApart() override { keep_apart_ = true; }

  private:
    explicit XlsxWorkbook(std::vector<ZipPart> parts) : parts_(std::move(parts)) {}
    Status Init(const std::string& display_name);
    Status ParsePart(const std::string& name, pugi::xml_document& doc);
    Status Write(const std::filesystem::path& path);
    Status WriteAsXls(const std::filesystem::path& path);
    // The cells and fills of the active sheet at `addresses`, from `from_row` on, as the
    // program reads them.
    SheetValues Values(const std::vector<std::pair<int, int>>& addresses, int from_row) const;
    // The file written, opened again: every part inflates and parses, its active sheet scans
    // whole, and the cells written since the last save read as this one holds them; nothing
    // when they do, else what differs.
    std::string ReadBackDifference(const std::filesystem::path& written) const;
    bool xls_ = false;  // saved as .xls: later saves keep that format
    // Puts every changed part in; true when the active sheet is left to be composed as the
    // archive is written.
    Result<bool> Commit();
    // Rows before the first held one are not here to read or write.
    Status Held(int row) const;
    std::string RelationshipPrefix();

    Parts parts_;
    std::filesystem::path path_;
    std::string workbook_part_;
    std::string rels_part_;
    pugi::xml_document types_doc_;
    pugi::xml_document workbook_doc_;
    pugi::xml_document rels_doc_;
    bool workbook_dirty_ = false;
    bool rels_dirty_ = false;
    bool types_dirty_ = false;
    std::vector<std::string> shared_strings_;
    XlsxStyles styles_;
    std::string styles_part_;
    bool styles_registered_ = true;
    std::unique_ptr<XlsxSheet> sheet_;
    std::string sheet_part_;
    bool formula_replaced_ = false;
    bool keep_apart_ = false;
    int first_row_ = 1;
    // The cells written or coloured since the last save: what its read-back compares.
    std::vector<std::pair<int, int>> written_;
};

}  // namespace zivron::sheet
