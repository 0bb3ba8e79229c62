// A worksheet's XML read where it stands against the same sheet after the full XML parser has
// read and written it: both must hold the same cells, before and after the same edits. A
// difference, or a sheet that cannot read what it wrote, is a fault.

#include <cstdint>
#include <string>
#include <vector>

#include "spreadsheet/xlsx/xlsx_sheet.h"
#include "spreadsheet/xlsx/xml_part.h"

namespace {

using zivron::sheet::CellValue;
using zivron::sheet::XlsxSheet;

const std::vector<std::string> kStrings = {"shared", "רשימה"};

// The parser writes a carriage return in a text as itself, which every reader takes for a line
// end: the two readings are compared with line ends made one.
std::string OneLineEnd(std::string text) {
    for (std::size_t at = text.find('\r'); at != std::string::npos; at = text.find('\r', at)) {
        text.replace(at, at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1, "\n");
    }
    return text;
}

std::vector<CellValue> Cells(const XlsxSheet& sheet, bool one_line_end = false) {
    std::vector<CellValue> out;
    for (int r = 1; r <= 24; ++r) {
        for (int c = 1; c <= 12; ++c) {
            out.push_back(sheet.Read(r, c, kStrings));
            if (one_line_end) {
                out.back().text = OneLineEnd(std::move(out.back().text));
            }
            out.push_back(CellValue::Num(sheet.StyleOf(r, c)));
        }
    }
    return out;
}

void Edit(XlsxSheet& sheet) {
    const int below = sheet.LastRow() + 1;
    (void)sheet.WriteText(2, 9, " fuzz & <x> ");
    (void)sheet.WriteNumber(2, 6, 1234.5);
    (void)sheet.WriteNumber(3, 1, 7);
    sheet.SetStyle(2, 2, 3);
    (void)sheet.WriteText(4, 3, "_x0001_\t");
    if (below <= zivron::sheet::kMaxRows) {
        (void)sheet.WriteText(below, 2, "new");
    }
    sheet.Deselect();
}

// A character reference to a character no document may hold ("&#0;"): the two readers each
// make something different of such text, and neither is wrong.
bool IllegalReference(const std::string& xml) {
    for (std::size_t at = xml.find("&#"); at != std::string::npos; at = xml.find("&#", at + 1)) {
        const bool hex = at + 2 < xml.size() && xml[at + 2] == 'x';
        const std::size_t digits = at + (hex ? 3 : 2);
        const std::size_t end =
            xml.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789", digits);
        if (end == std::string::npos || xml[end] != ';' || end == digits) {
            continue;
        }
        const std::string number = xml.substr(digits, end - digits);
        const std::size_t first = number.find_first_not_of('0');
        if (first == std::string::npos || number.size() - first > 7 ||
            std::stoul(number, nullptr, hex ? 16 : 10) > 0x10FFFF) {
            return true;
        }
    }
    return false;
}

// The sheet written and read again.
std::vector<CellValue> AfterSave(const XlsxSheet& sheet) {
    XlsxSheet back;
    if (!back.Load(sheet.Serialize(), "sheet")) {
        __builtin_trap();  // what the sheet wrote, it must read
    }
    return Cells(back);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string xml(reinterpret_cast<const char*>(data), size);
    pugi::xml_document doc;
    if (IllegalReference(xml) || !zivron::sheet::ParseXmlPart(xml, "sheet", doc)) {
        return 0;
    }
    // The parser writes UTF-8 whatever the part was read in; its declaration must say so.
    if (pugi::xml_node declaration = doc.first_child();
        declaration.type() == pugi::node_declaration && declaration.attribute("encoding")) {
        declaration.attribute("encoding").set_value("UTF-8");
    }
    XlsxSheet as_is;
    XlsxSheet parsed;
    const bool read = static_cast<bool>(as_is.Load(xml, "sheet"));
    if (read != static_cast<bool>(parsed.Load(zivron::sheet::SerializeXml(doc), "sheet"))) {
        __builtin_trap();
    }
    if (!read) {
        return 0;
    }
    if (Cells(as_is, true) != Cells(parsed, true) || as_is.Addresses() != parsed.Addresses()) {
        __builtin_trap();
    }
    Edit(as_is);
    Edit(parsed);
    if (Cells(as_is, true) != Cells(parsed, true) || AfterSave(as_is) != Cells(as_is) ||
        AfterSave(parsed) != Cells(parsed)) {
        __builtin_trap();
    }
    return 0;
}
