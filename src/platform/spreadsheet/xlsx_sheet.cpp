#include "platform/spreadsheet/xlsx_sheet.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "core/utf8.h"
#include "platform/spreadsheet/xlsx_package.h"
#include "platform/spreadsheet/xml_part.h"

namespace zivron::sheet {
namespace {

Error Damaged(const std::string& why) {
    return Error{ErrorCode::BadInput, "החוברת פגומה: " + why};
}

// A text whose spaces at its ends, tabs or breaks a reader would drop without xml:space.
bool KeepsSpaces(std::string_view text) {
    // A loop rather than find_first_of, which searches the set once for every character.
    return !text.empty() && (text.front() == ' ' || text.back() == ' ' ||
                             std::any_of(text.begin(), text.end(), [](char ch) {
                                 return ch == '\t' || ch == '\n' || ch == '\r';
                             }));
}

// The first (or, with `last`, the last from `from` back) opening tag of `name` in serialised
// XML. Texts are escaped, so a "<" there always opens a tag.
std::size_t TagAt(std::string_view xml, std::string_view name, std::size_t from, bool last) {
    const std::string tag = "<" + std::string(name);
    for (std::size_t at = last ? xml.rfind(tag, from) : xml.find(tag, from);
         at != std::string_view::npos;
         at = last ? (at == 0 ? std::string_view::npos : xml.rfind(tag, at - 1))
                   : xml.find(tag, at + 1)) {
        const char next = at + tag.size() < xml.size() ? xml[at + tag.size()] : '\0';
        if (next == ' ' || next == '>' || next == '/') {
            return at;
        }
    }
    return std::string_view::npos;
}

bool ParseInt(std::string_view s, int& out) {
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
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

Status XlsxSheet::Load(std::string_view data, const std::string& part_name) {
    ZIVRON_TRY(ParseXmlPart(data, part_name, doc_));
    pugi::xml_node root = doc_.document_element();
    if (LocalName(root) != "worksheet") {
        return Error{ErrorCode::BadInput, "הגיליון הפעיל של החוברת אינו גיליון נתונים"};
    }
    sheet_data_ = LocalChild(root, "sheetData");
    if (!sheet_data_) {
        return Damaged("לגיליון אין אזור נתונים");
    }
    int prev_row = 0;
    for (pugi::xml_node rn : sheet_data_.children()) {
        if (rn.type() != pugi::node_element || LocalName(rn) != "row") {
            continue;
        }
        int r = prev_row + 1;
        if (pugi::xml_attribute a = rn.attribute("r")) {
            if (!ParseInt(a.value(), r)) {
                return Damaged("מספר שורה לא תקין");
            }
        } else {
            rn.append_attribute("r").set_value(r);
        }
        if (r <= prev_row || r > kMaxRows) {
            return Damaged("שורות הגיליון אינן בסדר עולה");
        }
        prev_row = r;
        RowRef row{r, rn, {}};
        row.cells.reserve(8);  // a workbook's rows mostly hold a few cells: one allocation
        int prev_col = 0;
        for (pugi::xml_node cn : rn.children()) {
            if (cn.type() != pugi::node_element || LocalName(cn) != "c") {
                continue;
            }
            int cr = r;
            int cc = prev_col + 1;
            if (pugi::xml_attribute a = cn.attribute("r")) {
                if (!ParseCellName(a.value(), cr, cc) || cr != r) {
                    return Damaged(std::string("כתובת תא לא תקינה ") + a.value());
                }
            } else {
                cn.append_attribute("r").set_value(CellName(r, cc).c_str());
            }
            if (cc <= prev_col || cc > kMaxCols) {
                return Damaged("תאי השורה " + std::to_string(r) + " אינם בסדר עולה");
            }
            prev_col = cc;
            row.cells.push_back({cc, cn});
        }
        rows_.push_back(std::move(row));
    }
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
    return CellRef{col, {}, static_cast<int>(added_.size() - 1)};
}

const XlsxSheet::CellRef* XlsxSheet::FindCell(int row, int col) const {
    const RowRef* r = FindRow(row);
    if (r == nullptr) {
        return nullptr;
    }
    // The same for the cells of a row.
    if (!r->cells.empty() && col >= r->cells.front().col) {
        const auto at = static_cast<std::size_t>(col - r->cells.front().col);
        if (at < r->cells.size() && r->cells[at].col == col) {
            return &r->cells[at];
        }
    }
    auto it = std::lower_bound(r->cells.begin(), r->cells.end(), col,
                               [](const CellRef& c, int v) { return c.col < v; });
    return (it != r->cells.end() && it->col == col) ? &*it : nullptr;
}

XlsxSheet::CellRef& XlsxSheet::EnsureCell(int row, int col) {
    // A sheet being filled row after row, cell after cell, grows at its end: no search.
    if (!rows_.empty() && !rows_.back().node && row >= rows_.back().row) {
        if (row > rows_.back().row) {
            rows_.push_back(RowRef{row, {}, {}});
        }
        std::vector<CellRef>& cells = rows_.back().cells;
        if (cells.empty() || col > cells.back().col) {
            dirty_ = true;
            cells.push_back(NewCellRef(col));
            return cells.back();
        }
    }
    auto rit = std::lower_bound(rows_.begin(), rows_.end(), row,
                                [](const RowRef& r, int v) { return r.row < v; });
    if (rit == rows_.end() || rit->row != row) {
        // Below every row with nodes a row is new; between them it gets nodes of its own.
        pugi::xml_node node;
        if (rit != rows_.end() && rit->node) {
            node =
                sheet_data_.insert_child_before(ChildName(sheet_data_, "row").c_str(), rit->node);
            node.append_attribute("r").set_value(row);
        }
        rit = rows_.insert(rit, RowRef{row, node, {}});
        dirty_ = true;
    }
    RowRef& r = *rit;
    auto cit = std::lower_bound(r.cells.begin(), r.cells.end(), col,
                                [](const CellRef& c, int v) { return c.col < v; });
    if (cit != r.cells.end() && cit->col == col) {
        return *cit;
    }
    dirty_ = true;
    if (!r.node) {
        return *r.cells.insert(cit, NewCellRef(col));
    }
    // The row's column span is only a hint, and a stale one is worse than none.
    r.node.remove_attribute("spans");
    std::string name = ChildName(r.node, "c");
    pugi::xml_node node = cit == r.cells.end()
                              ? r.node.append_child(name.c_str())
                              : r.node.insert_child_before(name.c_str(), cit->node);
    node.append_attribute("r").set_value(CellName(row, col).c_str());
    return *r.cells.insert(cit, CellRef{col, node});
}

CellValue XlsxSheet::Read(int row, int col, const std::vector<std::string>& sst) const {
    const CellRef* ref = FindCell(row, col);
    if (ref == nullptr) {
        return CellValue::Empty();
    }
    if (!ref->node) {
        return added_[static_cast<std::size_t>(ref->added)].value;
    }
    // One walk over the cell's attributes and children: a read is the import's commonest step.
    const pugi::xml_node c = ref->node;
    std::string_view type;
    for (pugi::xml_attribute a = c.first_attribute(); a; a = a.next_attribute()) {
        const char* n = a.name();
        if (n[0] == 't' && n[1] == '\0') {
            type = a.value();
            break;
        }
    }
    pugi::xml_node v, is;
    for (pugi::xml_node n = c.first_child(); n; n = n.next_sibling()) {
        if (n.type() == pugi::node_element) {
            const std::string_view local = LocalName(n);
            if (!v && local == "v") {
                v = n;
            } else if (!is && local == "is") {
                is = n;
            }
        }
    }
    std::string_view vtext = v ? v.text().get() : "";
    if (type == "inlineStr") {
        return CellValue::Str(StringItemText(is));
    }
    if (!v) {
        return CellValue::Empty();
    }
    if (type == "s") {
        unsigned index = 0;
        auto [p, ec] = std::from_chars(vtext.data(), vtext.data() + vtext.size(), index);
        if (ec != std::errc() || index >= sst.size()) {
            return {CellKind::Error, 0, "#REF!"};
        }
        return CellValue::Str(sst[index]);
    }
    if (type == "str" || type == "d") {
        return CellValue::Str(DecodeOoxmlText(vtext));
    }
    if (type == "b") {
        bool t = vtext == "1" || vtext == "true";
        return {CellKind::Boolean, t ? 1.0 : 0.0, t ? "TRUE" : "FALSE"};
    }
    if (type == "e") {
        return {CellKind::Error, 0, std::string(vtext)};
    }
    double d = 0;
    auto [p, ec] = std::from_chars(vtext.data(), vtext.data() + vtext.size(), d);
    if (ec != std::errc() || p != vtext.data() + vtext.size() || !std::isfinite(d)) {
        return {CellKind::Error, 0, "#VALUE!"};
    }
    return CellValue::Num(d);
}

void XlsxSheet::UnshareFormula(std::string_view shared_index, pugi::xml_node master) {
    // The cells that share the master's formula keep their last values, as plain values.
    for (RowRef& r : rows_) {
        for (CellRef& c : r.cells) {
            if (c.node == master) {
                continue;
            }
            pugi::xml_node f = LocalChild(c.node, "f");
            if (f && std::string_view(f.attribute("t").as_string()) == "shared" &&
                shared_index == f.attribute("si").as_string()) {
                c.node.remove_child(f);
            }
        }
    }
}

void XlsxSheet::ClearValue(pugi::xml_node cell) {
    if (pugi::xml_node f = LocalChild(cell, "f")) {
        formula_replaced_ = true;
        if (std::string_view(f.attribute("t").as_string()) == "shared" && f.attribute("ref")) {
            UnshareFormula(f.attribute("si").as_string(), cell);
        }
    }
    while (pugi::xml_node child = cell.first_child()) {
        cell.remove_child(child);
    }
    cell.remove_attribute("t");
    cell.remove_attribute("cm");
    cell.remove_attribute("vm");
    dirty_ = true;
}

Status XlsxSheet::WriteText(int row, int col, std::string_view text) {
    ZIVRON_TRY(CheckCellAddress(row, col));
    if (text.size() > 32767 && utf8::Length(text) > 32767) {  // never fewer bytes than characters
        return Error{ErrorCode::BadInput, "הטקסט ארוך מדי לתא (יותר מ־32767 תווים)"};
    }
    CellRef& ref = EnsureCell(row, col);
    if (!ref.node) {
        added_[static_cast<std::size_t>(ref.added)].value = CellValue::Str(std::string(text));
        return Ok();
    }
    pugi::xml_node c = ref.node;
    ClearValue(c);
    c.append_attribute("t").set_value("inlineStr");
    pugi::xml_node t =
        c.append_child(ChildName(c, "is").c_str()).append_child(ChildName(c, "t").c_str());
    std::string encoded = EncodeOoxmlText(text);
    if (KeepsSpaces(encoded)) {
        t.append_attribute("xml:space").set_value("preserve");
    }
    t.text().set(encoded.c_str());
    return Ok();
}

Status XlsxSheet::WriteNumber(int row, int col, double value) {
    ZIVRON_TRY(CheckCellAddress(row, col));
    if (!std::isfinite(value)) {
        return Error{ErrorCode::BadInput, "ערך לא מספרי אינו נכתב לתא"};
    }
    CellRef& ref = EnsureCell(row, col);
    if (!ref.node) {
        added_[static_cast<std::size_t>(ref.added)].value = CellValue::Num(value);
        return Ok();
    }
    pugi::xml_node c = ref.node;
    char buf[40];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    *end = '\0';
    if (HoldsNumber(c, buf)) {
        return Ok();  // the import writes back every amount, most of them as they stand
    }
    ClearValue(c);
    c.append_child(ChildName(c, "v").c_str()).text().set(buf);
    return Ok();
}

// A plain number cell whose value is written as `text`: of the number type, without formula or
// metadata, its one child a <v>.
bool XlsxSheet::HoldsNumber(pugi::xml_node cell, std::string_view text) {
    for (pugi::xml_attribute a = cell.first_attribute(); a; a = a.next_attribute()) {
        const std::string_view n = a.name();
        if ((n == "t" && std::string_view(a.value()) != "n") || n == "cm" || n == "vm") {
            return false;
        }
    }
    pugi::xml_node only = cell.first_child();
    return only && !only.next_sibling() && LocalName(only) == "v" && only.text().get() == text &&
           (!only.first_child() || !only.first_child().next_sibling());
}

unsigned XlsxSheet::StyleOf(int row, int col) const {
    const CellRef* ref = FindCell(row, col);
    if (ref == nullptr) {
        return 0;
    }
    return ref->node ? ref->node.attribute("s").as_uint(0)
                     : added_[static_cast<std::size_t>(ref->added)].style;
}

void XlsxSheet::SetStyle(int row, int col, unsigned xf) {
    CellRef& ref = EnsureCell(row, col);
    dirty_ = true;
    if (!ref.node) {
        added_[static_cast<std::size_t>(ref.added)].style = xf;
        return;
    }
    pugi::xml_node c = ref.node;
    pugi::xml_attribute s = c.attribute("s");
    if (!s) {
        s = c.append_attribute("s");
    }
    s.set_value(xf);
}

void XlsxSheet::Deselect() {
    pugi::xml_node views = LocalChild(doc_.document_element(), "sheetViews");
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

namespace {

// A text as a written text cell's nodes give it: the _xHHHH_ escape where needed, XML escapes,
// and spaces at its ends (or tabs and breaks) kept.
void AppendInlineText(std::string& out, const std::string& raw, const std::string& open,
                      const std::string& close) {
    const bool plain = std::all_of(raw.begin(), raw.end(), [](char ch) {
        return ch != '_' && static_cast<unsigned char>(ch) >= 0x20;
    });
    const std::string encoded = plain ? std::string() : EncodeOoxmlText(raw);
    const std::string_view text = plain ? std::string_view(raw) : encoded;
    out += open;
    if (KeepsSpaces(text)) {
        out += " xml:space=\"preserve\"";
    }
    out += '>';
    std::size_t from = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const char ch = text[at];
        if (ch == '&' || ch == '<' || ch == '>') {
            out.append(text.substr(from, at - from));
            out += ch == '&' ? "&amp;" : ch == '<' ? "&lt;" : "&gt;";
            from = at + 1;
        }
    }
    out.append(text.substr(from));
    out += close;
}

// Whole numbers (dates, counts) as integers: shorter to form, and never "1e+05".
void AppendNumber(std::string& out, double v) {
    char buf[40];
    if (v == std::trunc(v) && std::fabs(v) < 1e15) {
        out.append(buf, std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v)).ptr);
    } else {
        out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    }
}

}  // namespace

std::string XlsxSheet::NewRowsXml() const {
    // The names of the sheet's own elements, with its namespace prefix if it has one.
    const std::string row_tag = ChildName(sheet_data_, "row");
    const std::string cell_tag = ChildName(sheet_data_, "c");
    const std::string value_tag = ChildName(sheet_data_, "v");
    const std::string inline_tag = ChildName(sheet_data_, "is");
    const std::string text_tag = ChildName(sheet_data_, "t");
    const std::string row_open = "<" + row_tag + " r=\"";
    const std::string row_close = "</" + row_tag + ">";
    const std::string cell_open = "<" + cell_tag + " r=\"";
    const std::string number_open = "><" + value_tag + ">";
    const std::string number_close = "</" + value_tag + "></" + cell_tag + ">";
    const std::string text_open = " t=\"inlineStr\"><" + inline_tag + "><" + text_tag;
    const std::string text_close = "</" + text_tag + "></" + inline_tag + "></" + cell_tag + ">";
    auto first_new =
        std::find_if(rows_.begin(), rows_.end(), [](const RowRef& x) { return !x.node; });
    std::string out;
    out.reserve(added_.size() * 48);
    for (auto r = first_new; r != rows_.end(); ++r) {
        out += row_open;
        AppendNumber(out, r->row);
        out += "\">";
        for (const CellRef& c : r->cells) {
            const NewCell& cell = added_[static_cast<std::size_t>(c.added)];
            out += cell_open;
            AppendCellName(out, r->row, c.col);
            out += '"';
            if (cell.style != 0) {
                out += " s=\"";
                AppendNumber(out, cell.style);
                out += '"';
            }
            if (cell.value.kind == CellKind::Number) {
                out += number_open;
                AppendNumber(out, cell.value.number);
                out += number_close;
            } else if (cell.value.kind == CellKind::Text) {
                AppendInlineText(out, cell.value.text, text_open, text_close);
            } else {
                out += "/>";
            }
        }
        out += row_close;
    }
    return out;
}

std::string XlsxSheet::Serialize() const {
    std::string xml = SerializeXml(doc_);
    if (rows_.empty() || rows_.back().node) {
        return xml;
    }
    // The new rows go at the end of the sheet's data, which may have been written empty.
    const std::string name(sheet_data_.name());
    const std::string rows = NewRowsXml();
    const std::size_t close = xml.rfind("</" + name + ">");
    if (close != std::string::npos) {
        xml.insert(close, rows);
        return xml;
    }
    const std::size_t at = TagAt(xml, name, 0, false);
    const std::size_t gt = at == std::string::npos ? at : xml.find('>', at);
    if (gt != std::string::npos && xml[gt - 1] == '/') {
        xml.replace(gt - 1, 2, ">" + rows + "</" + name + ">");
    }
    return xml;
}

std::optional<XlsxSheet::Split> XlsxSheet::SerializeSplit() const {
    if (rows_.empty()) {
        return std::nullopt;
    }
    Split out{Serialize()};
    const std::size_t data_at = TagAt(out.xml, sheet_data_.name(), 0, false);
    const std::size_t data_gt = out.xml.find('>', data_at);
    if (data_at == std::string::npos || data_gt == std::string::npos ||
        out.xml[data_gt - 1] == '/') {
        return std::nullopt;
    }
    out.rows_at = data_gt + 1;
    const std::size_t end = out.xml.rfind("</" + std::string(sheet_data_.name()) + ">");
    out.last_row_at = TagAt(out.xml, ChildName(sheet_data_, "row"), end, true);
    if (end == std::string::npos || end < out.rows_at || out.last_row_at == std::string::npos ||
        out.last_row_at < out.rows_at) {
        return std::nullopt;
    }
    return out;
}

}  // namespace zivron::sheet
