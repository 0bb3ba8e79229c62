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

pugi::xml_node XlsxSheet::FindCell(int row, int col) const {
    const RowRef* r = FindRow(row);
    if (r == nullptr) {
        return {};
    }
    // The same for the cells of a row.
    if (!r->cells.empty() && col >= r->cells.front().col) {
        const auto at = static_cast<std::size_t>(col - r->cells.front().col);
        if (at < r->cells.size() && r->cells[at].col == col) {
            return r->cells[at].node;
        }
    }
    auto it = std::lower_bound(r->cells.begin(), r->cells.end(), col,
                               [](const CellRef& c, int v) { return c.col < v; });
    return (it != r->cells.end() && it->col == col) ? it->node : pugi::xml_node();
}

pugi::xml_node XlsxSheet::EnsureCell(int row, int col) {
    auto rit = std::lower_bound(rows_.begin(), rows_.end(), row,
                                [](const RowRef& r, int v) { return r.row < v; });
    if (rit == rows_.end() || rit->row != row) {
        std::string name = ChildName(sheet_data_, "row");
        pugi::xml_node node = rit == rows_.end()
                                  ? sheet_data_.append_child(name.c_str())
                                  : sheet_data_.insert_child_before(name.c_str(), rit->node);
        node.append_attribute("r").set_value(row);
        rit = rows_.insert(rit, RowRef{row, node, {}});
    }
    RowRef& r = *rit;
    auto cit = std::lower_bound(r.cells.begin(), r.cells.end(), col,
                                [](const CellRef& c, int v) { return c.col < v; });
    if (cit != r.cells.end() && cit->col == col) {
        return cit->node;
    }
    // The row's column span is only a hint, and a stale one is worse than none.
    r.node.remove_attribute("spans");
    std::string name = ChildName(r.node, "c");
    pugi::xml_node node = cit == r.cells.end()
                              ? r.node.append_child(name.c_str())
                              : r.node.insert_child_before(name.c_str(), cit->node);
    node.append_attribute("r").set_value(CellName(row, col).c_str());
    r.cells.insert(cit, CellRef{col, node});
    dirty_ = true;
    return node;
}

CellValue XlsxSheet::Read(int row, int col, const std::vector<std::string>& sst) const {
    pugi::xml_node c = FindCell(row, col);
    if (!c) {
        return CellValue::Empty();
    }
    std::string_view type = c.attribute("t").as_string();
    pugi::xml_node v = LocalChild(c, "v");
    std::string_view vtext = v ? v.text().get() : "";
    if (type == "inlineStr") {
        return CellValue::Str(StringItemText(LocalChild(c, "is")));
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
    if (utf8::Length(text) > 32767) {
        return Error{ErrorCode::BadInput, "הטקסט ארוך מדי לתא (יותר מ־32767 תווים)"};
    }
    pugi::xml_node c = EnsureCell(row, col);
    ClearValue(c);
    c.append_attribute("t").set_value("inlineStr");
    pugi::xml_node t =
        c.append_child(ChildName(c, "is").c_str()).append_child(ChildName(c, "t").c_str());
    std::string encoded = EncodeOoxmlText(text);
    if (!encoded.empty() && (encoded.front() == ' ' || encoded.back() == ' ' ||
                             encoded.find_first_of("\t\n\r") != std::string::npos)) {
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
    pugi::xml_node c = EnsureCell(row, col);
    ClearValue(c);
    char buf[40];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    *end = '\0';
    c.append_child(ChildName(c, "v").c_str()).text().set(buf);
    return Ok();
}

unsigned XlsxSheet::StyleOf(int row, int col) const {
    return FindCell(row, col).attribute("s").as_uint(0);
}

void XlsxSheet::SetStyle(int row, int col, unsigned xf) {
    pugi::xml_node c = EnsureCell(row, col);
    pugi::xml_attribute s = c.attribute("s");
    if (!s) {
        s = c.append_attribute("s");
    }
    s.set_value(xf);
    dirty_ = true;
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

std::string XlsxSheet::Serialize() const {
    return SerializeXml(doc_);
}

}  // namespace zivron::sheet
