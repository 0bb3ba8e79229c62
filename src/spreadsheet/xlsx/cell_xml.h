#pragma once
// One cell of a worksheet as XML: what it holds, read; and the cell formed anew with another
// value or format. Cells handed in are plain XML, as the sheet's scan took them or as formed here.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/cell.h"

namespace zivron::sheet::cell_xml {

// The pieces of XML rows and cells are formed with, in the sheet's own prefix ("" or "x:").
struct Tags {
    explicit Tags(std::string_view prefix = "");
    std::string row_open, row_close, cell_open;
    std::string value_open, value_close;    // <v>, </v>
    std::string inline_open, inline_close;  // <is><t, </t></is>
    std::string new_text_open, new_text_close, new_number_open, new_number_close;
};

CellValue Value(std::string_view cell, const Tags& tags, const std::vector<std::string>& sst);
// What a scan noted of a cell's start tag: its length, and where its type is written in it
// (size 0 if it has none). The cell must not be empty ("<c/>") and its tag must hold nothing but
// its address, format and type.
struct KnownHead {
    std::size_t size = 0;
    std::size_t type_at = 0;
    std::size_t type_size = 0;
};
CellValue Value(std::string_view cell, const KnownHead& head, const Tags& tags,
                const std::vector<std::string>& sst);
// The format index an "s" attribute gives, as written; 0 when it gives none.
unsigned StyleIndex(std::string_view written);

// What a cell holding a text, or a number written as `number`, holds between its tags.
std::string TextContent(std::string_view text, const Tags& tags);
std::string NumberContent(std::string_view number, const Tags& tags);
// Whether the cell already holds `content` with that type ("inlineStr", or "" for a number),
// without formula or metadata: writing it again would change nothing.
bool Holds(std::string_view cell, std::string_view type, std::string_view content);
bool Holds(std::string_view cell, const KnownHead& head, std::string_view type,
           std::string_view content);
// The same as AppendWithStyle, for a cell whose start tag the scan noted.
void AppendWithStyle(std::string& out, std::string_view cell, const KnownHead& head, unsigned xf);
// Appends the cell holding `content` of that type in place of its value, type, formula and
// metadata.
void AppendWithContent(std::string& out, std::string_view cell, std::string_view type,
                       std::string_view content);
// Appends the cell with format `xf`, what it holds unchanged.
void AppendWithStyle(std::string& out, std::string_view cell, unsigned xf);

// The cell's formula: whether it has one, and the index it lends it by when others share it.
struct Formula {
    bool present = false;
    std::optional<std::string> lent_as;
};
Formula FormulaOf(std::string_view cell);
// The cell without the formula it shares by `shared_index`; nothing if it shares none by it.
std::optional<std::string> WithoutSharedFormula(std::string_view cell,
                                                std::string_view shared_index);

// A cell the sheet did not have, formed from its value and format.
void AppendNew(std::string& out, int row, int col, const CellValue& value, unsigned style,
               const Tags& tags);
// Whole numbers (dates, counts) as integers: shorter to form, and never "1e+05".
void AppendNumber(std::string& out, double v);

}  // namespace zivron::sheet::cell_xml
