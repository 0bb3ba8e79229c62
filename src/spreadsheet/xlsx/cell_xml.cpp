#include "spreadsheet/xlsx/cell_xml.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "spreadsheet/xlsx/xml_part.h"
#include "spreadsheet/xlsx/xml_scan.h"
#include "text/numeric.h"

namespace zivron::sheet::cell_xml {
namespace {

// A text whose spaces at its ends, tabs or breaks a reader would drop without xml:space.
bool KeepsSpaces(std::string_view text) {
    // A loop rather than find_first_of, which searches the set once for every character.
    return !text.empty() && (text.front() == ' ' || text.back() == ' ' ||
                             std::any_of(text.begin(), text.end(), [](char ch) {
                                 return ch == '\t' || ch == '\n' || ch == '\r';
                             }));
}

// A text as a text cell holds it: the _xHHHH_ escape where needed, XML escapes, and spaces at
// its ends (or tabs and breaks) kept.
void AppendInlineText(std::string& out, std::string_view raw, const std::string& open,
                      const std::string& close) {
    // Most texts hold nothing to escape or keep: one look over them, and they are copied whole.
    const bool as_is = std::none_of(raw.begin(), raw.end(), [](char ch) {
        return static_cast<unsigned char>(ch) < 0x20 || ch == '_' || ch == '&' || ch == '<' ||
               ch == '>';
    });
    if (as_is) {
        out += open;
        if (!raw.empty() && (raw.front() == ' ' || raw.back() == ' ')) {
            out += " xml:space=\"preserve\"";
        }
        out += '>';
        out += raw;
        out += close;
        return;
    }
    const bool plain = std::all_of(raw.begin(), raw.end(), [](char ch) {
        return ch != '_' && static_cast<unsigned char>(ch) >= 0x20;
    });
    const std::string encoded = plain ? std::string() : EncodeOoxmlText(raw);
    const std::string_view text = plain ? raw : std::string_view(encoded);
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

// A cell's start tag read once for what reads ask of it, with what the cell holds after it.
struct CellHead {
    std::string_view type;  // as written; empty if absent
    bool metadata = false;  // cm or vm
    std::string_view content;
};
// What a character is to the walk over a cell's start tag, looked up: every read walks one.
enum HeadClass : unsigned char { kOther, kSpace, kTagEnd, kEquals, kQuote };
constexpr std::array<unsigned char, 256> kHeadClasses = [] {
    std::array<unsigned char, 256> t{};
    for (unsigned char c : std::string_view(" \t\n\r")) {
        t[c] = kSpace;
    }
    t['>'] = t['/'] = kTagEnd;
    t['='] = kEquals;
    t['"'] = t['\''] = kQuote;
    return t;
}();

unsigned char HeadClassOf(char c) {
    return kHeadClasses[static_cast<unsigned char>(c)];
}

CellHead HeadOf(std::string_view cell) {
    CellHead out;
    bool typed = false;
    const std::size_t n = cell.size();
    std::size_t p = 1;
    while (p < n && HeadClassOf(cell[p]) != kSpace && HeadClassOf(cell[p]) != kTagEnd) {
        ++p;
    }
    for (;;) {
        while (p < n && HeadClassOf(cell[p]) == kSpace) {
            ++p;
        }
        if (p >= n || HeadClassOf(cell[p]) == kTagEnd) {
            break;
        }
        const std::size_t name_at = p;
        while (p < n && HeadClassOf(cell[p]) != kEquals && HeadClassOf(cell[p]) != kSpace) {
            ++p;
        }
        const std::string_view name = cell.substr(name_at, p - name_at);
        while (p < n && HeadClassOf(cell[p]) != kQuote) {
            ++p;
        }
        const std::size_t value_at = p + 1;
        p = cell.find(p < n ? cell[p] : '"', value_at);
        if (p == std::string_view::npos) {
            return out;  // not reached: the cell was taken as plain XML
        }
        const std::string_view value = cell.substr(value_at, p - value_at);
        ++p;
        if (name == "t" && !typed) {
            out.type = value;  // the first, as the scan notes it, should a writer repeat it
            typed = true;
        } else if (name == "cm" || name == "vm") {
            out.metadata = true;
        }
    }
    if (p < n && cell[p] == '>') {
        const std::size_t close = cell.rfind('<');
        out.content = close > p ? cell.substr(p + 1, close - p - 1) : std::string_view();
    }
    return out;
}

// The head a scan noted, with the content it leads to.
CellHead HeadFrom(std::string_view cell, const KnownHead& known) {
    CellHead head;
    head.type = cell.substr(known.type_at, known.type_size);
    const std::size_t close = cell.rfind('<');
    head.content = close != std::string_view::npos && close > known.size
                       ? cell.substr(known.size, close - known.size)
                       : std::string_view();
    return head;
}

bool HeadHolds(const CellHead& head, std::string_view type, std::string_view content) {
    if (head.metadata || head.content != content) {
        return false;
    }
    std::string buffer;
    const std::string_view has = xml::Decoded(head.type, buffer);
    return has == type || (type.empty() && has == "n");
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
    return DecodeOoxmlText(std::move(out));
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
    // A loop rather than find_first_of, which searches the set once for every character.
    if (std::any_of(held.begin(), held.end(),
                    [](char c) { return c == '<' || c == '&' || c == '\r'; })) {
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
    if (type == "d") {
        // A date as ISO 8601 text reads as the day number any other date cell holds.
        if (const std::optional<double> day = IsoDateSerial(vtext)) {
            return CellValue::Num(*day);
        }
        return CellValue::Str(DecodeOoxmlText(vtext));
    }
    if (type == "str") {
        return CellValue::Str(DecodeOoxmlText(vtext));
    }
    if (type == "b") {
        bool t = vtext == "1" || vtext == "true";
        return {CellKind::Boolean, t ? 1.0 : 0.0, t ? "TRUE" : "FALSE"};
    }
    if (type == "e") {
        return {CellKind::Error, 0, std::string(vtext)};
    }
    if (const std::optional<double> plain = PlainDecimal(vtext)) {
        return CellValue::Num(*plain);
    }
    double d = 0;
    auto [p, ec] = std::from_chars(vtext.data(), vtext.data() + vtext.size(), d);
    if (ec != std::errc() || p != vtext.data() + vtext.size() || !std::isfinite(d)) {
        return {CellKind::Error, 0, "#VALUE!"};
    }
    return CellValue::Num(d);
}

// The value of a cell whose start tag has been read.
CellValue ValueOfHead(const CellHead& cell, const Tags& tags, const std::vector<std::string>& sst) {
    std::string buffer;
    const std::string_view type = xml::Decoded(cell.type, buffer);
    // The commonest cells, a text or a value alone, are read where they stand.
    if (type == "inlineStr") {
        if (auto text = Between(cell.content, tags.inline_open, '>', tags.inline_close)) {
            return CellValue::Str(DecodeOoxmlText(xml::Unescape(*text)));
        }
    } else if (auto value = Between(cell.content, tags.value_open, 0, tags.value_close)) {
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

}  // namespace

Tags::Tags(std::string_view prefix) {
    const std::string p(prefix);
    row_open = "<" + p + "row r=\"";
    row_close = "</" + p + "row>";
    cell_open = "<" + p + "c r=\"";
    value_open = "<" + p + "v>";
    value_close = "</" + p + "v>";
    inline_open = "<" + p + "is><" + p + "t";
    inline_close = "</" + p + "t></" + p + "is>";
    new_text_open = " t=\"inlineStr\">" + inline_open;
    new_text_close = inline_close + "</" + p + "c>";
    new_number_open = ">" + value_open;
    new_number_close = value_close + "</" + p + "c>";
}

CellValue Value(std::string_view bytes, const Tags& tags, const std::vector<std::string>& sst) {
    return ValueOfHead(HeadOf(bytes), tags, sst);
}

CellValue Value(std::string_view bytes, const KnownHead& known, const Tags& tags,
                const std::vector<std::string>& sst) {
    return ValueOfHead(HeadFrom(bytes, known), tags, sst);
}

unsigned StyleIndex(std::string_view written) {
    std::string buffer;
    const std::string_view s = xml::Decoded(written, buffer);
    unsigned xf = 0;
    std::from_chars(s.data(), s.data() + s.size(), xf);
    return xf;
}

std::string TextContent(std::string_view text, const Tags& tags) {
    std::string content;
    AppendInlineText(content, text, tags.inline_open, tags.inline_close);
    return content;
}

std::string NumberContent(std::string_view number, const Tags& tags) {
    std::string content = tags.value_open;
    content += number;
    content += tags.value_close;
    return content;
}

bool Holds(std::string_view cell, std::string_view type, std::string_view content) {
    return HeadHolds(HeadOf(cell), type, content);
}

bool Holds(std::string_view cell, const KnownHead& head, std::string_view type,
           std::string_view content) {
    return HeadHolds(HeadFrom(cell, head), type, content);
}

void AppendWithContent(std::string& out, std::string_view cell, std::string_view type,
                       std::string_view content) {
    const xml::Tag tag = xml::KnownTag(cell);
    xml::AppendStartTag(out, tag, {"t", "cm", "vm"});
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
}

void AppendWithStyle(std::string& out, std::string_view cell, const KnownHead& head, unsigned xf) {
    // The scan took this tag as `<c` and attributes each ` name="value"`, and found nothing in it
    // but the address, format and type: copied as it stands but its format, which goes last.
    const std::size_t tag_end = head.size - 1;  // its ">"
    out.append(cell.substr(0, 2));
    for (std::size_t p = 2; p < tag_end;) {
        const std::size_t equals = cell.find('=', p);
        const std::size_t close = cell.find('"', equals + 2) + 1;
        if (equals != p + 2 || cell[p + 1] != 's') {
            out.append(cell.substr(p, close - p));
        }
        p = close;
    }
    out += " s=\"";
    AppendNumber(out, xf);
    out += '"';
    out.append(cell.substr(tag_end));
}

void AppendWithStyle(std::string& out, std::string_view cell, unsigned xf) {
    const xml::Tag tag = xml::KnownTag(cell);
    xml::AppendStartTag(out, tag, {"s"});
    out += " s=\"";
    AppendNumber(out, xf);
    out += '"';
    out.append(cell.substr(tag.end - (tag.empty ? 2 : 1)));
}

Formula FormulaOf(std::string_view cell) {
    const std::string_view content = HeadOf(cell).content;
    std::size_t pos = 0;
    for (xml::Child f; xml::NextChild(content, pos, f);) {
        if (xml::Local(f.tag.name) == "f") {
            Formula out{true, std::nullopt};
            if (xml::AttributeText(f.tag.attrs, "t") == "shared" &&
                xml::Attribute(f.tag.attrs, "ref")) {
                out.lent_as = xml::AttributeText(f.tag.attrs, "si");
            }
            return out;
        }
    }
    return {};
}

std::optional<std::string> WithoutSharedFormula(std::string_view cell,
                                                std::string_view shared_index) {
    const std::string_view content = HeadOf(cell).content;
    std::size_t pos = 0;
    for (xml::Child f; xml::NextChild(content, pos, f);) {
        if (xml::Local(f.tag.name) == "f" && xml::AttributeText(f.tag.attrs, "t") == "shared" &&
            xml::AttributeText(f.tag.attrs, "si") == shared_index) {
            const auto f_at = static_cast<std::size_t>(f.whole.data() - cell.data());
            std::string plain(cell.substr(0, f_at));
            plain.append(cell.substr(f_at + f.whole.size()));
            return plain;
        }
    }
    return std::nullopt;
}

void AppendNew(std::string& out, int row, int col, const CellValue& value, unsigned style,
               const Tags& tags) {
    out += tags.cell_open;
    AppendCellName(out, row, col);
    out += '"';
    if (style != 0) {
        out += " s=\"";
        AppendNumber(out, style);
        out += '"';
    }
    if (value.kind == CellKind::Number) {
        out += tags.new_number_open;
        AppendNumber(out, value.number);
        out += tags.new_number_close;
    } else if (value.kind == CellKind::Text) {
        AppendInlineText(out, value.text, tags.new_text_open, tags.new_text_close);
    } else {
        out += "/>";
    }
}

void AppendNumber(std::string& out, double v) {
    char buf[40];
    if (v == std::trunc(v) && std::fabs(v) < 1e15) {
        out.append(buf, std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v)).ptr);
    } else {
        out.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    }
}

}  // namespace zivron::sheet::cell_xml
