#pragma once
// The spreadsheet layer every workbook of the program goes through: what the program asks of a
// spreadsheet application, and no more. Cells are those of the active sheet.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/result.h"
#include "spreadsheet/cell.h"

namespace zivron::sheet {

// An ability of some formats, asked for by the caller that needs it: a sheet whose saves store the
// rows before its last apart, so that opening it from its last row (OpenMode::FromLastRow) reads
// that row alone and the next save deflates only the rows added. The yearly summary grows so.
class RowsKeptApart {
  public:
    virtual ~RowsKeptApart() = default;
    // The first row of the active sheet held here: 1, unless the workbook was opened from its
    // last row, when the rows before it stay as they are stored; they read as errors and cannot
    // be written, and every save keeps them.
    virtual int FirstRow() const = 0;
    // From now on saves keep the rows before the last apart.
    virtual void KeepLastRowApart() = 0;
};

class Workbook {
  public:
    virtual ~Workbook() = default;

    virtual CellValue Read(int row, int col) const = 0;
    // The last row of the sheet that holds a cell; 0 for an empty sheet.
    virtual int LastRow() const = 0;
    // A text stays a text cell (leading zeros survive), a number a number cell; the cell keeps
    // its style and fill; a formula there is replaced.
    virtual Status WriteText(int row, int col, const std::string& text) = 0;
    virtual Status WriteNumber(int row, int col, double value) = 0;
    // A date value: its day number, shown in the short date format.
    virtual Status WriteDate(int row, int col, int year, int month, int day) = 0;
    virtual Status SetFill(int row, int col, Rgb colour) = 0;
    // The cell without a fill; everything else of its format stays.
    virtual Status ClearFill(int row, int col) = 0;
    // The solid fill of a cell, if it has one.
    virtual std::optional<Rgb> FillOf(int row, int col) const = 0;

    // A new sheet, first in the workbook and active; later cell access goes to it.
    virtual Status AddWorksheet() = 0;

    // Saved in place, under its own name and format; a new workbook has no place yet.
    virtual Status Save() = 0;
    // Saved under `path`, the format following its extension; the workbook takes that name.
    virtual Status SaveAs(const std::filesystem::path& path) = 0;

    // The file the workbook was opened from or last saved to; empty for a new unsaved workbook.
    virtual const std::filesystem::path& Path() const = 0;

    // The format's rows kept apart, where it has them; nothing elsewhere.
    virtual RowsKeptApart* KeptApartRows() { return nullptr; }
    const RowsKeptApart* KeptApartRows() const {
        return const_cast<Workbook*>(this)->KeptApartRows();
    }
};

enum class OpenMode { Whole, FromLastRow };

// Hands a saved file to the desktop (xdg-open here); tests and the command line pass one that
// records, so no window ever opens there.
using ShowFile = std::function<void(const std::filesystem::path&)>;

// One application instance per operation. It keeps its workbooks until it quits; `MakeVisible`
// hands the last opened or added workbook to the operator and keeps no hold on it.
class SpreadsheetApp {
  public:
    explicit SpreadsheetApp(ShowFile show) : show_(std::move(show)) {}

    // Opens .xlsx (read, edit, save) and .xls (read) by the file's content, not its name.
    // FromLastRow holds only where a save kept the last row apart; elsewhere it opens whole.
    Result<Workbook*> Open(const std::filesystem::path& path, OpenMode mode = OpenMode::Whole);
    // A new, empty workbook of one sheet, kept in memory until saved.
    Workbook* Add();
    // Closes without a further question; unsaved changes are dropped.
    void Close(Workbook* workbook);
    // The workbook must have been saved: what the desktop opens is the file.
    void MakeVisible(const Workbook& workbook);
    void Quit();

  private:
    ShowFile show_;
    std::vector<std::unique_ptr<Workbook>> open_;
};

}  // namespace zivron::sheet
