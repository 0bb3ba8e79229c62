#include "platform/spreadsheet/xlsx_sheet.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/utf8.h"
#include "platform/spreadsheet/xlsx_package.h"
#include "platform/spreadsheet/xml_part.h"
#include "platform/spreadsheet/xml_scan.h"

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

// Where the rows go back when the sheet is written: an instruction in the rows' element.
constexpr char kRowsPlaceName[] = "zivron-rows";
constexpr std::string_view kRowsPlace = "<?zivron-rows?>";

bool ParseInt(std::string_view s, int& out) {
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size();
}

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

// An attribute as it stood, quotes and all.
void AppendAttribute(std::string& out, const xml::Attr& a) {
    out += ' ';
    out += a.name;
    out += '=';
    out += a.quote;
    out += a.value;
    out += a.quote;
}

// A cell's start tag and what it holds.
struct CellParts {
    xml::Tag tag;
    std::string_view content;
};
CellParts PartsOf(std::string_view cell) {
    CellParts out{xml::KnownTag(cell), {}};
    out.content = xml::Content(cell, out.tag);
    return out;
}

// The text of an inline string item, as a shared string's: its <t>, or the <t> of each run;
// phonetic hints are not part of the text.
std::string InlineText(std::string_view item) {
    std::string out;
    std::size_t pos = 0;
    for (xml::Child child; xml::NextChild(item, pos, child);) {
        const std::string_view local = xml::Local(child.tag.name);
        if (local == "t") {
            out += xml::FirstText(child.content);
        } else if (local == "r") {
            std::size_t in_run = 0;
            for (xml::Child t; xml::NextChild(child.content, in_run, t);) {
                if (xml::Local(t.tag.name) == "t") {
                    out += xml::FirstText(t.content);
                    break;
                }
            }
        }
    }
    return DecodeOoxmlText(out);
}

// What `content` holds between `open` (and `then`, if not 0) and `close`, when that is all it
// holds and there is no tag between.
std::optional<std::string_view> Between(std::string_view content, std::string_view open, char then,
                                        std::string_view close) {
    const std::size_t at = open.size() + (then != 0 ? 1 : 0);
    if (content.size() < at + close.size() || !content.starts_with(open) ||
        (then != 0 && content[open.size()] != then) || !content.ends_with(close)) {
        return std::nullopt;
    }
    const std::string_view inner = content.substr(at, content.size() - at - close.size());
    if (inner.find('<') != std::string_view::npos) {
        return std::nullopt;
    }
    return inner;
}

// A cell's value of type `type`, from what its <v> holds.
CellValue ValueOf(std::string_view type, std::string_view held,
                  const std::vector<std::string>& sst) {
    // Most values are a number or an index as it stands: read in place.
    std::string decoded;
    std::string_view vtext = held;
    if (vtext.find_first_of("<&\r") != std::string_view::npos) {
        decoded = xml::FirstText(vtext);
        vtext = decoded;
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

// A plain number cell whose value is written as `text`: of the number type, without formula or
// metadata, its one child a <v>.
bool HoldsNumber(std::string_view cell, std::string_view text) {
    const CellParts parts = PartsOf(cell);
    std::size_t pos = 0;
    for (xml::Attr a; xml::NextAttribute(parts.tag.attrs, pos, a);) {
        if ((a.name == "t" && a.value != "n" && xml::Unescape(a.value) != "n") || a.name == "cm" ||
            a.name == "vm") {
            return false;
        }
    }
    pos = 0;
    xml::Child v;
    return xml::NextChild(parts.content, pos, v) && v.whole.size() == parts.content.size() &&
           xml::Local(v.tag.name) == "v" && v.content == text;
}

// The cell with its value, type and metadata cleared and `content` put in, with `type` if any.
std::string ClearedCell(std::string_view cell, std::string_view type, std::string_view content) {
    const xml::Tag tag = xml::KnownTag(cell);
    std::string out;
    out.reserve(cell.size() + content.size() + 24);
    out += '<';
    out += tag.name;
    std::size_t pos = 0;
    for (xml::Attr a; xml::NextAttribute(tag.attrs, pos, a);) {
        if (a.name != "t" && a.name != "cm" && a.name != "vm") {
            AppendAttribute(out, a);
        }
    }
    if (!type.empty()) {
        out += " t=\"";
        out += type;
        out += '"';
    }
    out += '>';
    out += content;
    out += "</";
    out += tag.name;
    out += '>';
    return out;
}

// The cell with format `xf`, what it holds unchanged.
std::string StyledCell(std::string_view cell, unsigned xf) {
    const xml::Tag tag = xml::KnownTag(cell);
    std::string out;
    out.reserve(cell.size() + 8);
    out += '<';
    out += tag.name;
    std::size_t pos = 0;
    for (xml::Attr a; xml::NextAttribute(tag.attrs, pos, a);) {
        if (a.name != "s") {
            AppendAttribute(out, a);
        }
    }
    out += " s=\"";
    AppendNumber(out, xf);
    out += '"';
    out.append(cell.substr(tag.end - (tag.empty ? 2 : 1)));
    return out;
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
    const std::string row = ChildName(sheet_data_, "row");
    const std::string c = ChildName(sheet_data_, "c");
    const std::string v = ChildName(sheet_data_, "v");
    const std::string is = ChildName(sheet_data_, "is");
    const std::string t = ChildName(sheet_data_, "t");
    tags_.row_open = "<" + row + " r=\"";
    tags_.row_close = "</" + row + ">";
    tags_.cell_open = "<" + c + " r=\"";
    tags_.value_open = "<" + v + ">";
    tags_.value_close = "</" + v + ">";
    tags_.inline_open = "<" + is + "><" + t;
    tags_.inline_close = "</" + t + "></" + is + ">";
    tags_.new_text_open = " t=\"inlineStr\">" + tags_.inline_open;
    tags_.new_text_close = tags_.inline_close + "</" + c + ">";
    tags_.new_number_open = ">" + tags_.value_open;
    tags_.new_number_close = tags_.value_close + "</" + c + ">";
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
        p = xml.find("?>", p);
        if (p == std::string_view::npos) {
            return Scan::NotPlain;
        }
        p += 2;
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
        Result<Scan> row = ScanRow(*tag, lt, prev_row);
        if (!row || row.value() == Scan::NotPlain) {
            return row;
        }
        p = rows_.back().at + rows_.back().size;
    }
}

Result<XlsxSheet::Scan> XlsxSheet::ScanRow(const xml::Tag& tag, std::size_t at, int& prev_row) {
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
    row.cells.reserve(8);  // a workbook's rows mostly hold a few cells: one allocation
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
        const std::optional<xml::Tag> cell = xml::StartTag(xml, lt);
        const std::size_t end = cell ? xml::ElementEnd(xml, *cell) : std::string_view::npos;
        if (end == std::string_view::npos) {
            return Scan::NotPlain;
        }
        p = end;
        if (xml::Local(cell->name) != "c") {
            continue;  // kept as it stands
        }
        const std::optional<std::string_view> address = xml::Attribute(cell->attrs, "r");
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
        row.cells.push_back(
            {cc, static_cast<std::uint32_t>(lt), static_cast<std::uint32_t>(end - lt)});
    }
    row.size = static_cast<std::uint32_t>(p - at);
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
    raw_ = SerializeXml(doc);
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

std::pair<XlsxSheet::RowRef*, XlsxSheet::CellRef*> XlsxSheet::EnsureCell(int row, int col) {
    // A sheet being filled row after row, cell after cell, grows at its end: no search.
    if (!rows_.empty() && rows_.back().size == 0 && row >= rows_.back().row) {
        if (row > rows_.back().row) {
            rows_.push_back(RowRef(row));
        }
        RowRef& last = rows_.back();
        if (last.cells.empty() || col > last.cells.back().col) {
            dirty_ = true;
            last.cells.push_back(NewCellRef(col));
            return {&last, &last.cells.back()};
        }
    }
    auto rit = std::lower_bound(rows_.begin(), rows_.end(), row,
                                [](const RowRef& r, int v) { return r.row < v; });
    if (rit == rows_.end() || rit->row != row) {
        rit = rows_.insert(rit, RowRef(row));
        dirty_ = true;
    }
    RowRef& r = *rit;
    auto cit = std::lower_bound(r.cells.begin(), r.cells.end(), col,
                                [](const CellRef& c, int v) { return c.col < v; });
    if (cit != r.cells.end() && cit->col == col) {
        return {&r, &*cit};
    }
    dirty_ = true;
    r.grown = r.changed = r.size > 0;
    return {&r, &*r.cells.insert(cit, NewCellRef(col))};
}

std::string_view XlsxSheet::CellXml(const CellRef& cell) const {
    return cell.index >= 0 ? std::string_view(edits_[static_cast<std::size_t>(cell.index)])
                           : std::string_view(raw_).substr(cell.at, cell.size);
}

void XlsxSheet::Replace(RowRef& row, CellRef& cell, std::string xml) {
    if (cell.index < 0) {
        cell.index = static_cast<std::int32_t>(edits_.size());
        edits_.push_back(std::move(xml));
    } else {
        edits_[static_cast<std::size_t>(cell.index)] = std::move(xml);
    }
    row.changed = true;
    dirty_ = true;
}

CellValue XlsxSheet::Read(int row, int col, const std::vector<std::string>& sst) const {
    const CellRef* ref = FindCell(row, col);
    if (ref == nullptr) {
        return CellValue::Empty();
    }
    if (ref->size == 0) {
        return added_[static_cast<std::size_t>(ref->index)].value;
    }
    const CellParts cell = PartsOf(CellXml(*ref));
    std::string buffer;
    const std::string_view type =
        xml::Decoded(xml::Attribute(cell.tag.attrs, "t").value_or(""), buffer);
    // The commonest cells, a text or a value alone, are read where they stand.
    if (type == "inlineStr") {
        if (auto text = Between(cell.content, tags_.inline_open, '>', tags_.inline_close)) {
            return CellValue::Str(DecodeOoxmlText(xml::Unescape(*text)));
        }
    } else if (auto value = Between(cell.content, tags_.value_open, 0, tags_.value_close)) {
        return ValueOf(type, *value, sst);
    }
    std::optional<xml::Child> v, is;
    std::size_t pos = 0;
    for (xml::Child child; (!v || !is) && xml::NextChild(cell.content, pos, child);) {
        const std::string_view local = xml::Local(child.tag.name);
        if (!v && local == "v") {
            v = child;
        } else if (!is && local == "is") {
            is = child;
        }
    }
    if (type == "inlineStr") {
        return CellValue::Str(is ? InlineText(is->content) : std::string());
    }
    if (!v) {
        return CellValue::Empty();
    }
    return ValueOf(type, v->content, sst);
}

void XlsxSheet::ClearFormula(const CellRef& cell) {
    const CellParts parts = PartsOf(CellXml(cell));
    std::size_t pos = 0;
    for (xml::Child f; xml::NextChild(parts.content, pos, f);) {
        if (xml::Local(f.tag.name) != "f") {
            continue;
        }
        formula_replaced_ = true;
        if (xml::AttributeText(f.tag.attrs, "t") == "shared" &&
            xml::Attribute(f.tag.attrs, "ref")) {
            UnshareFormula(xml::AttributeText(f.tag.attrs, "si"), &cell);
        }
        return;
    }
}

void XlsxSheet::UnshareFormula(const std::string& shared_index, const CellRef* master) {
    // The cells that share the master's formula keep their last values, as plain values.
    for (RowRef& r : rows_) {
        for (CellRef& c : r.cells) {
            if (&c == master || c.size == 0) {
                continue;
            }
            const std::string_view cell = CellXml(c);
            const CellParts parts = PartsOf(cell);
            std::size_t pos = 0;
            for (xml::Child f; xml::NextChild(parts.content, pos, f);) {
                if (xml::Local(f.tag.name) == "f" &&
                    xml::AttributeText(f.tag.attrs, "t") == "shared" &&
                    xml::AttributeText(f.tag.attrs, "si") == shared_index) {
                    const auto f_at = static_cast<std::size_t>(f.whole.data() - cell.data());
                    std::string plain(cell.substr(0, f_at));
                    plain.append(cell.substr(f_at + f.whole.size()));
                    Replace(r, c, std::move(plain));
                    break;
                }
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
    ClearFormula(*ref);
    std::string content;
    AppendInlineText(content, std::string(text), tags_.inline_open, tags_.inline_close);
    Replace(*r, *ref, ClearedCell(CellXml(*ref), "inlineStr", content));
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
    const std::string_view number(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
    if (HoldsNumber(CellXml(*ref), number)) {
        return Ok();  // the import writes back every amount, most of them as they stand
    }
    ClearFormula(*ref);
    std::string content = tags_.value_open;
    content += number;
    content += tags_.value_close;
    Replace(*r, *ref, ClearedCell(CellXml(*ref), "", content));
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
    std::string buffer;
    const std::string_view s =
        xml::Decoded(xml::Attribute(PartsOf(CellXml(*ref)).tag.attrs, "s").value_or(""), buffer);
    unsigned xf = 0;
    std::from_chars(s.data(), s.data() + s.size(), xf);
    return xf;
}

void XlsxSheet::SetStyle(int row, int col, unsigned xf) {
    auto [r, ref] = EnsureCell(row, col);
    dirty_ = true;
    if (ref->size == 0) {
        added_[static_cast<std::size_t>(ref->index)].style = xf;
        return;
    }
    Replace(*r, *ref, StyledCell(CellXml(*ref), xf));
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
    out += tags_.cell_open;
    AppendCellName(out, row, ref.col);
    out += '"';
    if (cell.style != 0) {
        out += " s=\"";
        AppendNumber(out, cell.style);
        out += '"';
    }
    if (cell.value.kind == CellKind::Number) {
        out += tags_.new_number_open;
        AppendNumber(out, cell.value.number);
        out += tags_.new_number_close;
    } else if (cell.value.kind == CellKind::Text) {
        AppendInlineText(out, cell.value.text, tags_.new_text_open, tags_.new_text_close);
    } else {
        out += "/>";
    }
}

void XlsxSheet::AppendNewRow(std::string& out, const RowRef& row) const {
    out += tags_.row_open;
    AppendNumber(out, row.row);
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
        out += '<';
        out += tag.name;
        std::size_t pos = 0;
        for (xml::Attr a; xml::NextAttribute(tag.attrs, pos, a);) {
            if (a.name != "spans") {
                AppendAttribute(out, a);
            }
        }
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
        out += CellXml(c);
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

std::string XlsxSheet::Compose(std::size_t* rows_at, std::size_t* last_row_at) const {
    // The sheet around its rows as the parser writes it, the rows' place marked.
    const std::string frame = SerializeXml(frame_);
    const std::size_t place = frame.find(kRowsPlace);
    std::string out;
    out.reserve(frame.size() + (rows_end_ - rows_begin_) + edits_.size() * 32 + added_.size() * 48);
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
    }
    out.append(raw_, pos, rows_end_ - pos);
    out.append(frame, place + kRowsPlace.size());
    return out;
}

std::string XlsxSheet::Serialize() const {
    if (!dirty_) {
        return raw_;
    }
    std::size_t rows_at = 0;
    std::size_t last_row_at = 0;
    return Compose(&rows_at, &last_row_at);
}

std::optional<XlsxSheet::Split> XlsxSheet::SerializeSplit() const {
    if (rows_.empty()) {
        return std::nullopt;
    }
    Split out;
    out.xml = Compose(&out.rows_at, &out.last_row_at);
    return out;
}

}  // namespace zivron::sheet
