#pragma once
// What a cell holds, as the program sees it.

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"

namespace zivron::sheet {

enum class CellKind {
    Empty,
    Number,
    Text,
    Boolean,  // number is 1 or 0; text is "TRUE" or "FALSE"
    Error,    // text is the error as the sheet shows it, "#N/A", "#DIV/0!" ...
};

// A formula cell reads as its cached result.
struct CellValue {
    CellKind kind = CellKind::Empty;
    double number = 0;
    std::string text;  // UTF-8

    static CellValue Empty() { return {}; }
    static CellValue Num(double v) { return {CellKind::Number, v, {}}; }
    static CellValue Str(std::string s) { return {CellKind::Text, 0, std::move(s)}; }
    // Two cells holding a NaN (an .xls NUMBER record may) hold the same value.
    bool operator==(const CellValue& o) const {
        const bool same_number = number == o.number || (std::isnan(number) && std::isnan(o.number));
        return kind == o.kind && same_number && text == o.text;
    }
};

// The value converted to text, as the program compares and copies cells: a number by its decimal
// text (15 significant digits), empty as "", a boolean as TRUE / FALSE, an error as its code.
std::string CellText(const CellValue& v);

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

// "B7" <-> (7, 2); rows and columns count from 1.
std::string CellName(int row, int col);
void AppendCellName(std::string& out, int row, int col);
bool ParseCellName(std::string_view name, int& row, int& col);

inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxCols = 16384;

// The spreadsheet's day number of a date (1 March 1900 onwards; 1 is 1 January 1900).
double DateSerial(int year, int month, int day);
// "2026-12-09", "2026-12-09T13:30:00", "2026-12-09T13:30:00.5Z" or a time alone ("13:30:00")
// as a day number with its fraction of a day; nothing for any other text.
std::optional<double> IsoDateSerial(std::string_view iso);

// An error in the program's words when (row, col) lies outside a sheet.
Status CheckCellAddress(int row, int col);

}  // namespace zivron::sheet
