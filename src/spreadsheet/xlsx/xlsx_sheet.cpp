#include "spreadsheet/xlsx/xlsx_sheet.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <span>
#include <utility>

#include "core/utf8.h"
#include "spreadsheet/xlsx/cell_xml.h"
#include "spreadsheet/xlsx/xml_part.h"
#include "spreadsheet/xlsx/xml_scan.h"

namespace zivron::sheet {
namespace {

Error Damaged(const std::string& why) {
    return Error{ErrorCode::BadInput, "החוברת פגומה: " + why};
}

// Where the rows go back when the sheet is written: an instruction in the rows' element.
constexpr char kRowsPlaceName[] = "zivron-rows";
constexpr std::string_view kRowsPlace = "<?zivron-rows?>";

bool ParseInt(std::string_view s, int& out) {
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

// The end of a cell holding a value alone or an inline text alone, as nearly every cell does,
// found without a walk over its elements; npos for any other.
std::size_t PlainCellEnd(std::string_view xml, const xml::Tag& cell) {
    static constexpr std::pair<std::string_view, std::string_view> kShapes[] = {
        {"<v>", "</v></c>"}, {"<is><t>", "</t></is></c>"}};
    if (cell.empty || cell.name != "c") {
        return std::string_view::npos;
    }
    for (const auto& [open, close] : kShapes) {
        if (xml.substr(cell.end, open.size()) == open) {
            const std::size_t lt = xml.find('<', cell.end + open.size());
            return lt != std::string_view::npos && xml.substr(lt, close.size()) == close
                       ? lt + close.size()
                       : std::string_view::npos;
        }
    }
    return std::string_view::npos;
}

// The start tag of a cell as nearly every writer forms it, `<c r="A1" s="3" t="n">`: each
// attribute after one space, a name of letters, "=" and a double-quoted value. Read in one tight
// walk with its address, format and type (`wanted` r, s, t), and whether it has attributes
// besides; any other shape is left to the general reader, which takes this one too and gives the
// same.
std::optional<xml::Tag> PlainCellTag(std::string_view xml, std::size_t at,
                                     std::span<xml::Wanted, 3> wanted, bool& others) {
    const char* const begin = xml.data();
    const char* const end = begin + xml.size();
    const char* p = begin + at;
    if (end - p < 4 || p[1] != 'c' || p[2] != ' ') {
        return std::nullopt;
    }
    p += 2;
    while (*p == ' ') {
        const char* const name = ++p;
        while (p < end && ((*p | 0x20) >= 'a' && (*p | 0x20) <= 'z')) {
            ++p;
        }
        if (p == name || end - p < 2 || p[0] != '=' || p[1] != '"') {
            return std::nullopt;
        }
        const char* const value = p + 2;
        for (p = value; p < end && *p != '"'; ++p) {
            if (*p == '<') {
                return std::nullopt;
            }
        }
        if (p >= end - 1) {  // the closing quote, and room for what ends the tag
            return std::nullopt;
        }
        if (value - name == 3) {
            xml::Wanted* w = *name == 'r'   ? &wanted[0]
                             : *name == 's' ? &wanted[1]
                             : *name == 't' ? &wanted[2]
                                            : nullptr;
            if (w != nullptr && !w->value) {
                w->value = std::string_view(value, static_cast<std::size_t>(p - value));
            }
            others = others || w == nullptr;
        } else {
            others = true;
        }
        ++p;
    }
    xml::Tag tag;
    tag.empty = p[0] == '/';
    if (tag.empty ? end - p < 2 || p[1] != '>' : p[0] != '>') {
        return std::nullopt;
    }
    tag.name = xml.substr(at + 1, 1);
    tag.attrs = xml.substr(at + 2, static_cast<std::size_t>(p - begin) - at - 2);
    tag.end = static_cast<std::size_t>(p - begin) + (tag.empty ? 2 : 1);
    return tag;
}

// An XML declaration that names no encoding or names UTF-8.
bool DeclaresUtf8(std::string_view declaration) {
    const std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) {
        return true;
    }
    std::string value;
    for (char c : declaration.substr(at + 8)) {
        if (c != '=' && c != '"' && c != '\'' && c != ' ') {
            value += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else if (!value.empty()) {
            break;
        }
    }
    return value == "utf-8" || value == "utf8";
}

// Each CDATA section under `node` as the text it holds.
void CdataAsText(pugi::xml_node node) {
    for (pugi::xml_node child = node.first_child(); child;) {
        pugi::xml_node next = child.next_sibling();
        if (child.type() == pugi::node_cdata) {
            node.insert_child_before(pugi::node_pcdata, child).set_value(child.value());
            node.remove_child(child);
        } else {
            CdataAsText(child);
        }
        child = next;
    }
}

}  // namespace

std::string XlsxSheet::EmptySheetXml() {
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
           "\n"
           R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
           R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
           R"(<sheetViews><sheetView rightToLeft="1" tabSelected="1" workbookViewId="0"/></sheetViews>)"
           R"(<sheetFormatPr defaultRowHeight="15"/><sheetData/></worksheet>)";
}

Status XlsxSheet::Load(std::string data, const std::string& part_name) {
    raw_ = std::move(data);
    if (raw_.size() >= std::numeric_limits<std::uint32_t>::max()) {
        return Damaged("הגיליון גדול מדי");
    }
    Result<Scan> scan = ScanRows();
    if (scan && scan.value() == Scan::NotPlain) {
        // Comments, CDATA, rows or cells without their addresses: read once by the full parser
        // and written plain, then scanned as any other sheet.
        ZIVRON_TRY(NormaliseRaw(part_name));
        scan = ScanRows();
        if (scan && scan.value() == Scan::NotPlain) {
            return Damaged("מבנה הגיליון אינו נתמך");
        }
    }
    if (!scan) {
        return scan.error();
    }
    std::string frame = raw_.substr(0, rows_begin_);
    frame.append(raw_, rows_end_);
    ZIVRON_TRY(ParseXmlPart(frame, part_name, frame_));
    pugi::xml_node root = frame_.document_element();
    sheet_data_ = LocalChild(root, "sheetData");
    if (LocalName(root) != "worksheet" || !sheet_data_ || sheet_data_.first_child()) {
        return Damaged("מבנה הגיליון אינו נתמך");
    }
    // The parser keeps no instructions of a part it reads, so this one is only ever ours.
    sheet_data_.append_child(pugi::node_pi).set_name(kRowsPlaceName);
    // New rows and cells are written in the prefix the sheet's rows have.
    const std::string_view name = sheet_data_.name();
    const std::size_t colon = name.find(':');
    tags_ = cell_xml::Tags(colon == std::string_view::npos ? "" : name.substr(0, colon + 1));
    return Ok();
}

Result<XlsxSheet::Scan> XlsxSheet::ScanRows() {
    rows_.clear();
    const std::string_view xml = raw_;
    std::size_t p = xml.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (p < xml.size() &&
           (xml[p] == ' ' || xml[p] == '\t' || xml[p] == '\n' || xml[p] == '\r')) {
        ++p;
    }
    if (xml.substr(p).starts_with("<?xml")) {
        const std::size_t end = xml.find("?>", p);
        // A sheet in another encoding is read by the parser, which turns it into UTF-8.
        if (end == std::string_view::npos || !DeclaresUtf8(xml.substr(p, end - p))) {
            return Scan::NotPlain;
        }
        p = end + 2;
    }
    // The root, then its children up to the rows' element.
    std::size_t lt = xml.find('<', p);
    std::optional<xml::Tag> tag =
        lt == std::string_view::npos ? std::nullopt : xml::StartTag(xml, lt);
    if (!tag || tag->empty || xml::Local(tag->name) != "worksheet" ||
        xml.substr(p, lt - p).find_first_not_of(" \t\r\n") != std::string_view::npos) {
        return Scan::NotPlain;
    }
    for (p = tag->end;;) {
        lt = xml.find('<', p);
        tag = lt == std::string_view::npos ? std::nullopt : xml::StartTag(xml, lt);
        if (!tag) {
            return Scan::NotPlain;
        }
        if (xml::Local(tag->name) == "sheetData") {
            break;
        }
        p = xml::ElementEnd(xml, *tag);
        if (p == std::string_view::npos) {
            return Scan::NotPlain;
        }
    }
    const std::string_view data_name = tag->name;
    rows_begin_ = rows_end_ = tag->end;
    if (tag->empty) {
        return Scan::Rows;
    }
    int prev_row = 0;
    std::vector<CellRef> cells;
    for (p = rows_begin_;;) {
        lt = xml.find('<', p);
        if (lt == std::string_view::npos) {
            return Scan::NotPlain;
        }
        if (xml.substr(lt, 2) == "</") {
            if (xml::EndTag(xml, lt, data_name) == std::string_view::npos) {
                return Scan::NotPlain;
            }
            rows_end_ = lt;
            return Scan::Rows;
        }
        tag = xml::StartTag(xml, lt);
        if (!tag) {
            return Scan::NotPlain;
        }
        if (xml::Local(tag->name) != "row") {
            p = xml::ElementEnd(xml, *tag);
            if (p == std::string_view::npos) {
                return Scan::NotPlain;
            }
            continue;
        }
        Result<Scan> row = ScanRow(*tag, lt, prev_row, cells);
        if (!row || row.value() == Scan::NotPlain) {
            return row;
        }
        p = rows_.back().at + rows_.back().size;
    }
}

Result<XlsxSheet::Scan> XlsxSheet::ScanRow(const xml::Tag& tag, std::size_t at, int& prev_row,
                                           std::vector<CellRef>& cells) {
    const std::string_view xml = raw_;
    const std::optional<std::string_view> number = xml::Attribute(tag.attrs, "r");
    if (!number) {
        return Scan::NotPlain;
    }
    std::string buffer;
    int r = 0;
    if (!ParseInt(xml::Decoded(*number, buffer), r)) {
        return Damaged("מספר שורה לא תקין");
    }
    if (r <= prev_row || r > kMaxRows) {
        return Damaged("שורות הגיליון אינן בסדר עולה");
    }
    prev_row = r;
    RowRef row(r, static_cast<std::uint32_t>(at));
    // Gathered apart, then given to the row at their count: one allocation a row, no room to
    // spare across tens of thousands of rows.
    cells.clear();
    std::size_t p = tag.end;
    int prev_col = 0;
    while (!tag.empty) {
        const std::size_t lt = xml.find('<', p);
        if (lt == std::string_view::npos) {
            return Scan::NotPlain;
        }
        if (xml.substr(lt, 2) == "</") {
            p = xml::EndTag(xml, lt, tag.name);
            if (p == std::string_view::npos) {
                return Scan::NotPlain;
            }
            break;
        }
        // A cell's address, and its format while at it: the import asks every cell's fill.
        xml::Wanted wanted[] = {{"r"}, {"s"}, {"t"}};
        bool others = false;
        std::optional<xml::Tag> cell = PlainCellTag(xml, lt, wanted, others);
        const bool plain = cell.has_value();
        if (!plain) {
            wanted[0].value = wanted[1].value = wanted[2].value = std::nullopt;
            cell = xml::StartTag(xml, lt, wanted);
        }
        std::size_t end = cell ? PlainCellEnd(xml, *cell) : std::string_view::npos;
        if (cell && end == std::string_view::npos) {
            end = xml::ElementEnd(xml, *cell);
        }
        if (end == std::string_view::npos) {
            return Scan::NotPlain;
        }
        p = end;
        if (!plain && xml::Local(cell->name) != "c") {
            continue;  // kept as it stands
        }
        const std::optional<std::string_view> address = wanted[0].value;
        const std::optional<std::string_view> format = wanted[1].value;
        if (!address) {
            return Scan::NotPlain;
        }
        const std::string_view name = xml::Decoded(*address, buffer);
        int cr = 0;
        int cc = 0;
        if (!ParseCellName(name, cr, cc) || cr != r) {
            return Damaged("כתובת תא לא תקינה " + std::string(name));
        }
        if (cc <= prev_col || cc > kMaxCols) {
            return Damaged("תאי השורה " + std::to_string(r) + " אינם בסדר עולה");
        }
        prev_col = cc;
        CellRef& ref = cells.emplace_back(CellRef{cc, static_cast<std::uint32_t>(lt),
                                                  static_cast<std::uint32_t>(end - lt), -1,
                                                  format ? cell_xml::StyleIndex(*format) : 0});
        // Where its content starts and its type stands, for reads that then need not walk
        // the tag again; a long tag, or one with attributes besides, is walked.
        const std::string_view type = wanted[2].value.value_or(std::string_view());
        if (plain && !others && !cell->empty && cell->end - lt <= 255) {
            ref.head = static_cast<std::uint8_t>(cell->end - lt);
            ref.type_at =
                static_cast<std::uint8_t>(type.empty() ? 0 : type.data() - xml.data() - lt);
            ref.type_size = static_cast<std::uint8_t>(type.size());
        }
    }
    row.size = static_cast<std::uint32_t>(p - at);
    row.cells.assign(cells.begin(), cells.end());
    rows_.push_back(std::move(row));
    return Scan::Rows;
}

Status XlsxSheet::NormaliseRaw(const std::string& part_name) {
    pugi::xml_document doc;
    ZIVRON_TRY(ParseXmlPart(raw_, part_name, doc));
    pugi::xml_node root = doc.document_element();
    if (LocalName(root) != "worksheet") {
        return Error{ErrorCode::BadInput, "הגיליון הפעיל של החוברת אינו גיליון נתונים"};
    }
    pugi::xml_node data = LocalChild(root, "sheetData");
    if (!data) {
        return Damaged("לגיליון אין אזור נתונים");
    }
    // An address left out follows from the row or cell before it.
    int prev_row = 0;
    for (pugi::xml_node rn : Elements(data, "row")) {
        if (pugi::xml_attribute a = rn.attribute("r")) {
            if (!ParseInt(a.value(), prev_row)) {
                return Damaged("מספר שורה לא תקין");
            }
        } else {
            rn.append_attribute("r").set_value(++prev_row);
        }
        int prev_col = 0;
        for (pugi::xml_node cn : Elements(rn, "c")) {
            int cr = 0;
            if (pugi::xml_attribute a = cn.attribute("r")) {
                if (!ParseCellName(a.value(), cr, prev_col)) {
                    return Damaged(std::string("כתובת תא לא תקינה ") + a.value());
                }
            } else {
                cn.append_attribute("r").set_value(CellName(prev_row, ++prev_col).c_str());
            }
        }
    }
    CdataAsText(data);
    // Written as UTF-8, whatever the part was read in.
    if (pugi::xml_node declaration = doc.first_child();
        declaration.type() == pugi::node_declaration && declaration.attribute("encoding")) {
        declaration.attribute("encoding").set_value("UTF-8");
    }
    as_read_ = std::exchange(raw_, SerializeXml(doc));
    return Ok();
}

const XlsxSheet::RowRef* XlsxSheet::FindRow(int row) const {
    // Rows without gaps sit at their distance from the first: no search.
    if (!rows_.empty() && row >= rows_.front().row) {
        const auto at = static_cast<std::size_t>(row - rows_.front().row);
        if (at < rows_.size() && rows_[at].row == row) {
            return &rows_[at];
        }
    }
    auto it = std::lower_bound(rows_.begin(), rows_.end(), row,
                               [](const RowRef& r, int v) { return r.row < v; });
    return (it != rows_.end() && it->row == row) ? &*it : nullptr;
}

XlsxSheet::CellRef XlsxSheet::NewCellRef(int col) {
    added_.push_back({});
    return CellRef{col, 0, 0, static_cast<std::int32_t>(added_.size() - 1)};
}

std::size_t XlsxSheet::CellSlot(const RowRef& r, int col) {
    // Cells without gaps sit at their distance from the first: no search.
    if (!r.cells.empty() && col >= r.cells.front().col) {
        const auto at = static_cast<std::size_t>(col - r.cells.front().col);
        if (at < r.cells.size() && r.cells[at].col == col) {
            return at;
        }
    }
    return static_cast<std::size_t>(
        std::lower_bound(r.cells.begin(), r.cells.end(), col,
                         [](const CellRef& c, int v) { return c.col < v; }) -
        r.cells.begin());
}

const XlsxSheet::CellRef* XlsxSheet::FindCell(int row, int col) const {
    const RowRef* r = FindRow(row);
    if (r == nullptr) {
        return nullptr;
    }
    const std::size_t at = CellSlot(*r, col);
    return at < r->cells.size() && r->cells[at].col == col ? &r->cells[at] : nullptr;
}

std::pair<XlsxSheet::RowRef*, XlsxSheet::CellRef*> XlsxSheet::EnsureCell(int row, int col) {
    // A sheet being filled row after row, cell after cell, grows at its end: no search.
    if (!rows_.empty() && rows_.back().size == 0 && row >= rows_.back().row) {
        if (row > rows_.back().row) {
            rows_.push_back(RowRef(row));
            rows_.back().cells.reserve(8);  // as for the rows read: one allocation a row
        }
        RowRef& last = rows_.back();
        if (last.cells.empty() || col > last.cells.back().col) {
            dirty_ = true;
            last.cells.push_back(NewCellRef(col));
            return {&last, &last.cells.back()};
        }
    }
    RowRef* r = nullptr;
    if (const RowRef* found = FindRow(row)) {
        r = &rows_[static_cast<std::size_t>(found - rows_.data())];
    } else {
        auto at = std::lower_bound(rows_.begin(), rows_.end(), row,
                                   [](const RowRef& x, int v) { return x.row < v; });
        r = &*rows_.insert(at, RowRef(row));
        dirty_ = true;
    }
    const std::size_t at = CellSlot(*r, col);
    if (at < r->cells.size() && r->cells[at].col == col) {
        return {r, &r->cells[at]};
    }
    dirty_ = true;
    r->grown = r->changed = r->size > 0;
    const auto place = r->cells.begin() + static_cast<std::ptrdiff_t>(at);
    return {r, &*r->cells.insert(place, NewCellRef(col))};
}

std::string_view XlsxSheet::CellXml(const CellRef& cell) const {
    return cell.index >= 0 ? edits_[cell.index] : std::string_view(raw_).substr(cell.at, cell.size);
}

void XlsxSheet::Replace(RowRef& row, CellRef& cell, std::string_view xml) {
    cell.index = edits_.Put(cell.index, xml);
    row.changed = true;
    dirty_ = true;
}

void XlsxSheet::ReplaceContent(RowRef& row, CellRef& cell, std::string_view type,
                               std::string_view content) {
    // Formed apart first: the cell's XML it is formed from may be the entry it replaces.
    scratch_.clear();
    if (cell.restyled) {
        std::string restyled;
        cell_xml::AppendWithStyle(restyled, CellXml(cell), cell.style);
        cell_xml::AppendWithContent(scratch_, restyled, type, content);
        cell.restyled = false;
    } else {
        cell_xml::AppendWithContent(scratch_, CellXml(cell), type, content);
    }
    Replace(row, cell, scratch_);
}

CellValue XlsxSheet::Read(int row, int col, const std::vector<std::string>& sst) const {
    const CellRef* ref = FindCell(row, col);
    if (ref == nullptr) {
        return CellValue::Empty();
    }
    if (ref->size == 0) {
        return added_[static_cast<std::size_t>(ref->index)].value;
    }
    if (const std::optional<cell_xml::KnownHead> head = KnownHeadOf(*ref)) {
        return cell_xml::Value(CellXml(*ref), *head, tags_, sst);
    }
    return cell_xml::Value(CellXml(*ref), tags_, sst);
}

std::optional<cell_xml::KnownHead> XlsxSheet::KnownHeadOf(const CellRef& cell) {
    if (cell.index >= 0 || cell.head == 0) {
        return std::nullopt;  // changed since the scan, or its tag is to be walked
    }
    return cell_xml::KnownHead{cell.head, cell.type_at, cell.type_size};
}

bool XlsxSheet::Holds(const CellRef& cell, std::string_view type, std::string_view content) const {
    if (const std::optional<cell_xml::KnownHead> head = KnownHeadOf(cell)) {
        return cell_xml::Holds(CellXml(cell), *head, type, content);
    }
    return cell_xml::Holds(CellXml(cell), type, content);
}

void XlsxSheet::ClearFormula(const CellRef& cell) {
    const cell_xml::Formula formula = cell_xml::FormulaOf(CellXml(cell));
    formula_replaced_ |= formula.present;
    if (!formula.lent_as) {
        return;
    }
    // The cells that share the master's formula keep their last values, as plain values.
    for (RowRef& r : rows_) {
        for (CellRef& c : r.cells) {
            if (&c == &cell || c.size == 0) {
                continue;
            }
            if (auto plain = cell_xml::WithoutSharedFormula(CellXml(c), *formula.lent_as)) {
                Replace(r, c, *plain);
            }
        }
    }
}

Status XlsxSheet::WriteText(int row, int col, std::string_view text) {
    ZIVRON_TRY(CheckCellAddress(row, col));
    if (text.size() > 32767 && utf8::Length(text) > 32767) {  // never fewer bytes than characters
        return Error{ErrorCode::BadInput, "הטקסט ארוך מדי לתא (יותר מ־32767 תווים)"};
    }
    auto [r, ref] = EnsureCell(row, col);
    if (ref->size == 0) {
        added_[static_cast<std::size_t>(ref->index)].value = CellValue::Str(std::string(text));
        return Ok();
    }
    const std::string content = cell_xml::TextContent(text, tags_);
    if (Holds(*ref, "inlineStr", content)) {
        return Ok();  // the typing fix writes back texts that often stand as they are
    }
    ClearFormula(*ref);
    ReplaceContent(*r, *ref, "inlineStr", content);
    return Ok();
}

Status XlsxSheet::WriteNumber(int row, int col, double value) {
    ZIVRON_TRY(CheckCellAddress(row, col));
    if (!std::isfinite(value)) {
        return Error{ErrorCode::BadInput, "ערך לא מספרי אינו נכתב לתא"};
    }
    auto [r, ref] = EnsureCell(row, col);
    if (ref->size == 0) {
        added_[static_cast<std::size_t>(ref->index)].value = CellValue::Num(value);
        return Ok();
    }
    char buf[40];
    const std::string content = cell_xml::NumberContent(
        std::string_view(buf, std::to_chars(buf, buf + sizeof buf, value).ptr), tags_);
    if (Holds(*ref, "", content)) {
        return Ok();  // the import writes back every amount, most of them as they stand
    }
    ClearFormula(*ref);
    ReplaceContent(*r, *ref, "", content);
    return Ok();
}

unsigned XlsxSheet::StyleOf(int row, int col) const {
    const CellRef* ref = FindCell(row, col);
    if (ref == nullptr) {
        return 0;
    }
    if (ref->size == 0) {
        return added_[static_cast<std::size_t>(ref->index)].style;
    }
    return ref->style;
}

void XlsxSheet::SetStyle(int row, int col, unsigned xf) {
    auto [r, ref] = EnsureCell(row, col);
    dirty_ = true;
    if (ref->size == 0) {
        added_[static_cast<std::size_t>(ref->index)].style = xf;
        return;
    }
    // Noted only: the import marks thousands of cells, each formed once as the sheet is written.
    ref->style = xf;
    ref->restyled = true;
    ++restyles_;
    r->changed = true;
}

void XlsxSheet::Deselect() {
    pugi::xml_node views = LocalChild(frame_.document_element(), "sheetViews");
    for (pugi::xml_node v : views.children()) {
        if (v.attribute("tabSelected")) {
            v.remove_attribute("tabSelected");
            dirty_ = true;
        }
    }
}

std::vector<std::pair<int, int>> XlsxSheet::Addresses() const {
    std::vector<std::pair<int, int>> out;
    for (const RowRef& r : rows_) {
        for (const CellRef& c : r.cells) {
            out.emplace_back(r.row, c.col);
        }
    }
    return out;
}

void XlsxSheet::AppendNewCell(std::string& out, int row, const CellRef& ref) const {
    const NewCell& cell = added_[static_cast<std::size_t>(ref.index)];
    cell_xml::AppendNew(out, row, ref.col, cell.value, cell.style, tags_);
}

void XlsxSheet::AppendNewRow(std::string& out, const RowRef& row) const {
    out += tags_.row_open;
    cell_xml::AppendNumber(out, row.row);
    out += "\">";
    for (const CellRef& c : row.cells) {
        AppendNewCell(out, row.row, c);
    }
    out += tags_.row_close;
}

void XlsxSheet::AppendRow(std::string& out, const RowRef& row) const {
    const std::string_view bytes = std::string_view(raw_).substr(row.at, row.size);
    if (!row.changed) {
        out += bytes;
        return;
    }
    const xml::Tag tag = xml::KnownTag(bytes);
    if (row.grown) {
        // The row's column span is only a hint, and a stale one is worse than none.
        xml::AppendStartTag(out, tag, {"spans"});
        out += '>';
    } else {
        out += bytes.substr(0, tag.end);
    }
    std::size_t pos = tag.end;
    for (const CellRef& c : row.cells) {
        if (c.size == 0) {
            AppendNewCell(out, row.row, c);
            continue;
        }
        const std::size_t at = c.at - row.at;
        out += bytes.substr(pos, at - pos);
        if (c.restyled) {
            if (const std::optional<cell_xml::KnownHead> head = KnownHeadOf(c)) {
                cell_xml::AppendWithStyle(out, CellXml(c), *head, c.style);
            } else {
                cell_xml::AppendWithStyle(out, CellXml(c), c.style);
            }
        } else {
            out += CellXml(c);
        }
        pos = at + c.size;
    }
    if (tag.empty) {
        out += "</";
        out += tag.name;
        out += '>';
    } else {
        out += bytes.substr(pos);
    }
}

void XlsxSheet::Compose(std::string& out, const PieceSink* sink, std::size_t* rows_at,
                        std::size_t* last_row_at) const {
    // The sheet around its rows as the parser writes it, the rows' place marked.
    const std::string frame = SerializeXml(frame_);
    const std::size_t place = frame.find(kRowsPlace);
    // Handed on a row's end past each megabyte, so a piece is deflated while it is still in
    // the cache.
    auto hand_on = [&] {
        if (sink != nullptr && out.size() >= kPiece) {
            (*sink)(out, false);
            out.clear();
        }
    };
    if (sink != nullptr) {
        out.reserve(2 * kPiece);
    } else {
        // Room for all of it at once: a sheet of megabytes that outgrows its buffer is copied
        // whole.
        out.reserve(frame.size() + (rows_end_ - rows_begin_) + edits_.Bytes() + restyles_ * 16 +
                    added_.size() * 48);
    }
    out.append(frame, 0, place);
    *rows_at = *last_row_at = out.size();
    std::size_t pos = rows_begin_;
    for (const RowRef& r : rows_) {
        if (r.size > 0) {
            out.append(raw_, pos, r.at - pos);
            pos = r.at + r.size;
        }
        *last_row_at = out.size();
        if (r.size > 0) {
            AppendRow(out, r);
        } else {
            AppendNewRow(out, r);
        }
        hand_on();
    }
    out.append(raw_, pos, rows_end_ - pos);
    out.append(frame, place + kRowsPlace.size());
    if (sink != nullptr) {
        (*sink)(out, true);
    }
}

std::string XlsxSheet::Serialize() const {
    if (!dirty_) {
        return as_read_.empty() ? raw_ : as_read_;
    }
    std::string out;
    std::size_t rows_at = 0;
    std::size_t last_row_at = 0;
    Compose(out, nullptr, &rows_at, &last_row_at);
    return out;
}

void XlsxSheet::Stream(const PieceSink& sink) const {
    if (!dirty_) {
        sink(as_read_.empty() ? raw_ : as_read_, true);
        return;
    }
    std::string out;
    std::size_t rows_at = 0;
    std::size_t last_row_at = 0;
    Compose(out, &sink, &rows_at, &last_row_at);
}

std::optional<XlsxSheet::Split> XlsxSheet::SerializeSplit() const {
    if (rows_.empty()) {
        return std::nullopt;
    }
    Split out;
    Compose(out.xml, nullptr, &out.rows_at, &out.last_row_at);
    return out;
}

}  // namespace zivron::sheet
