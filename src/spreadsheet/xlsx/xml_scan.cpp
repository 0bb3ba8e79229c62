#include "spreadsheet/xlsx/xml_scan.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "core/utf8.h"

namespace zivron::sheet::xml {
namespace {

// What a character may be in a tag, looked up rather than compared: tags are most of a sheet.
enum CharClass : unsigned char { kNameChar, kSpaceChar, kTagChar, kNotInName };
constexpr std::array<unsigned char, 256> kClasses = [] {
    std::array<unsigned char, 256> t{};
    for (unsigned char c : std::string_view(" \t\n\r")) {
        t[c] = kSpaceChar;
    }
    for (unsigned char c : std::string_view("=/>")) {
        t[c] = kTagChar;
    }
    for (unsigned char c : std::string_view("<&\"'!?")) {
        t[c] = kNotInName;
    }
    return t;
}();

unsigned char ClassOf(char c) {
    return kClasses[static_cast<unsigned char>(c)];
}

bool Space(char c) {
    return ClassOf(c) == kSpaceChar;
}

std::size_t SkipSpace(std::string_view s, std::size_t p) {
    while (p < s.size() && Space(s[p])) {
        ++p;
    }
    return p;
}

// The end of a name starting at `p`: the first character that cannot be in one.
std::size_t NameEnd(std::string_view s, std::size_t p) {
    while (p < s.size() && ClassOf(s[p]) == kNameChar) {
        ++p;
    }
    return p;
}

// The reference after an "&" written at `out`, which it moves on; the characters it took, or 0
// if none is there. What a reference stands for is never longer than the reference.
std::size_t PutReference(char*& out, std::string_view rest) {
    if (!rest.starts_with('#')) {
        static constexpr std::pair<std::string_view, char> kNamed[] = {
            {"lt;", '<'}, {"gt;", '>'}, {"amp;", '&'}, {"quot;", '"'}, {"apos;", '\''}};
        for (const auto& [name, ch] : kNamed) {
            if (rest.starts_with(name)) {
                *out++ = ch;
                return name.size();
            }
        }
        return 0;
    }
    const bool hex = rest.size() > 1 && rest[1] == 'x';
    std::size_t p = hex ? 2 : 1;
    std::uint32_t cp = 0;
    for (; p < rest.size() && rest[p] != ';' && cp <= 0x10FFFF; ++p) {
        const char d = rest[p];
        const int digit = d >= '0' && d <= '9'                          ? d - '0'
                          : hex && (d | ' ') >= 'a' && (d | ' ') <= 'f' ? (d | ' ') - 'a' + 10
                                                                        : -1;
        if (digit < 0) {
            return 0;
        }
        cp = cp * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    // A character a document may not hold stays as written.
    if (p == (hex ? 2u : 1u) || p >= rest.size() || rest[p] != ';' || cp == 0 || cp > 0x10FFFF) {
        return 0;
    }
    if (cp < 0x800) {
        // Hebrew, and every two-byte character, formed here: names are mostly references.
        if (cp < 0x80) {
            *out++ = static_cast<char>(cp);
        } else {
            *out++ = static_cast<char>(0xC0 | (cp >> 6));
            *out++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
    } else {
        std::string bytes;
        utf8::Append(bytes, static_cast<char32_t>(cp));
        out = std::copy(bytes.begin(), bytes.end(), out);
    }
    return p + 1;
}

// Nesting deeper than this in a sheet's rows is not what any writer makes.
constexpr int kMaxDepth = 32;

}  // namespace

std::string_view Local(std::string_view name) {
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::optional<Tag> StartTag(std::string_view xml, std::size_t at, std::span<Wanted> wanted) {
    if (at + 1 >= xml.size() || xml[at] != '<') {
        return std::nullopt;
    }
    std::size_t p = NameEnd(xml, at + 1);
    if (p == at + 1 || p >= xml.size() || ClassOf(xml[p]) == kNotInName) {
        return std::nullopt;
    }
    Tag tag;
    tag.name = xml.substr(at + 1, p - at - 1);
    const std::size_t attrs_at = p;
    for (;;) {
        const std::size_t before = p;
        p = SkipSpace(xml, p);
        if (p >= xml.size()) {
            return std::nullopt;
        }
        if (xml[p] == '>' || (xml[p] == '/' && p + 1 < xml.size() && xml[p + 1] == '>')) {
            tag.empty = xml[p] == '/';
            tag.attrs = xml.substr(attrs_at, p - attrs_at);
            tag.end = p + (tag.empty ? 2 : 1);
            return tag;
        }
        // An attribute: after a space, a name, "=" and a quoted value without "<".
        const std::size_t name_at = p;
        const std::size_t name_end = NameEnd(xml, p);
        if (p == before || name_end == p || name_end >= xml.size() ||
            ClassOf(xml[name_end]) == kNotInName) {
            return std::nullopt;
        }
        p = SkipSpace(xml, name_end);
        if (p >= xml.size() || xml[p] != '=') {
            return std::nullopt;
        }
        p = SkipSpace(xml, p + 1);
        if (p >= xml.size() || (xml[p] != '"' && xml[p] != '\'')) {
            return std::nullopt;
        }
        const char quote = xml[p];
        const std::size_t value_at = p + 1;
        for (++p; p < xml.size() && xml[p] != quote; ++p) {
            if (xml[p] == '<') {
                return std::nullopt;
            }
        }
        if (p >= xml.size()) {
            return std::nullopt;
        }
        for (Wanted& w : wanted) {
            if (!w.value && xml.substr(name_at, name_end - name_at) == w.name) {
                w.value = xml.substr(value_at, p - value_at);
            }
        }
        ++p;
    }
}

bool NextAttribute(std::string_view attrs, std::size_t& pos, Attr& out) {
    // One tight walk: a cell's reads look up its type and format thousands of times.
    const std::size_t n = attrs.size();
    std::size_t p = SkipSpace(attrs, pos);
    const std::size_t name_at = p;
    while (p < n && attrs[p] != '=' && !Space(attrs[p])) {
        ++p;
    }
    out.name = attrs.substr(name_at, p - name_at);
    while (p < n && attrs[p] != '"' && attrs[p] != '\'') {
        ++p;
    }
    if (p >= n) {
        return false;
    }
    out.quote = attrs[p];
    const std::size_t value_at = ++p;
    while (p < n && attrs[p] != out.quote) {
        ++p;
    }
    out.value = attrs.substr(value_at, p - value_at);
    pos = p + 1;
    return true;
}

std::optional<std::string_view> Attribute(std::string_view attrs, std::string_view name) {
    std::size_t pos = 0;
    for (Attr a; NextAttribute(attrs, pos, a);) {
        if (a.name == name) {
            return a.value;
        }
    }
    return std::nullopt;
}

void AppendStartTag(std::string& out, const Tag& tag,
                    std::initializer_list<std::string_view> dropped) {
    out += '<';
    out += tag.name;
    std::size_t pos = 0;
    for (Attr a; NextAttribute(tag.attrs, pos, a);) {
        if (std::find(dropped.begin(), dropped.end(), a.name) == dropped.end()) {
            out += ' ';
            out += a.name;
            out += '=';
            out += a.quote;
            out += a.value;
            out += a.quote;
        }
    }
}

Tag KnownTag(std::string_view xml) {
    Tag tag;
    std::size_t p = NameEnd(xml, 1);
    tag.name = xml.substr(1, p - 1);
    const std::size_t attrs_at = p;
    while (p < xml.size() && xml[p] != '>') {
        if (xml[p] == '"' || xml[p] == '\'') {
            const char quote = xml[p];
            for (++p; p < xml.size() && xml[p] != quote; ++p) {
            }
        }
        ++p;
    }
    tag.empty = p > attrs_at && xml[p - 1] == '/';
    tag.attrs = xml.substr(attrs_at, p - attrs_at - (tag.empty ? 1 : 0));
    tag.end = p + 1;
    return tag;
}

std::size_t EndTag(std::string_view xml, std::size_t at, std::string_view name) {
    if (!xml.substr(at).starts_with("</") || xml.substr(at + 2, name.size()) != name) {
        return std::string_view::npos;
    }
    const std::size_t p = SkipSpace(xml, at + 2 + name.size());
    return p < xml.size() && xml[p] == '>' ? p + 1 : std::string_view::npos;
}

std::size_t ElementEnd(std::string_view xml, const Tag& tag) {
    if (tag.empty) {
        return tag.end;
    }
    // The names of the elements open, left unset beyond the depth: this runs for every cell.
    const char* open_at[kMaxDepth];
    std::size_t open_size[kMaxDepth];
    int depth = 0;
    open_at[depth] = tag.name.data();
    open_size[depth++] = tag.name.size();
    for (std::size_t p = tag.end;;) {
        const std::size_t lt = xml.find('<', p);
        if (lt == std::string_view::npos || lt + 1 >= xml.size()) {
            return std::string_view::npos;
        }
        if (xml[lt + 1] == '/') {
            p = EndTag(xml, lt, std::string_view(open_at[depth - 1], open_size[depth - 1]));
            if (p == std::string_view::npos || --depth == 0) {
                return p;
            }
            continue;
        }
        const std::optional<Tag> inner = StartTag(xml, lt);
        if (!inner) {
            return std::string_view::npos;
        }
        if (!inner->empty) {
            if (depth == kMaxDepth) {
                return std::string_view::npos;
            }
            open_at[depth] = inner->name.data();
            open_size[depth++] = inner->name.size();
        }
        p = inner->end;
    }
}

std::string_view Content(std::string_view element, const Tag& tag) {
    if (tag.empty) {
        return {};
    }
    const std::size_t close = element.rfind('<');
    return close == std::string_view::npos || close < tag.end
               ? std::string_view()
               : element.substr(tag.end, close - tag.end);
}

bool NextChild(std::string_view content, std::size_t& pos, Child& out) {
    const std::size_t lt = content.find('<', pos);
    if (lt == std::string_view::npos) {
        return false;
    }
    const std::optional<Tag> tag = StartTag(content, lt);
    const std::size_t end = tag ? ElementEnd(content, *tag) : std::string_view::npos;
    if (end == std::string_view::npos) {
        return false;
    }
    out.tag = *tag;
    out.whole = content.substr(lt, end - lt);
    out.tag.end -= lt;
    out.content = Content(out.whole, out.tag);
    pos = end;
    return true;
}

std::string Unescape(std::string_view raw) {
    const auto special = [](char c) { return c == '&' || c == '\r'; };
    std::size_t i = 0;
    while (i < raw.size() && !special(raw[i])) {
        ++i;
    }
    if (i == raw.size()) {
        return std::string(raw);
    }
    // Written in place: the text read is never longer than the text written.
    std::string out(raw.size(), '\0');
    char* at = std::copy(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(i), out.data());
    for (; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == '\r') {
            *at++ = '\n';
            if (i + 1 < raw.size() && raw[i + 1] == '\n') {
                ++i;
            }
            continue;
        }
        if (c != '&') {
            *at++ = c;
            continue;
        }
        const std::string_view rest = raw.substr(i + 1);
        if (const std::size_t used = PutReference(at, rest); used > 0) {
            i += used;
        } else {
            *at++ = c;  // not a reference: kept as written
        }
    }
    out.resize(static_cast<std::size_t>(at - out.data()));
    return out;
}

std::string_view Decoded(std::string_view raw, std::string& buffer) {
    // A loop: the values looked at here are a few characters, shorter than a call to memchr.
    if (std::none_of(raw.begin(), raw.end(), [](char c) { return c == '&'; })) {
        return raw;
    }
    buffer = Unescape(raw);
    return buffer;
}

std::string AttributeText(std::string_view attrs, std::string_view name) {
    return Unescape(Attribute(attrs, name).value_or(""));
}

std::string FirstText(std::string_view content) {
    for (std::size_t pos = 0;;) {
        const std::size_t lt = content.find('<', pos);
        const std::string_view run =
            content.substr(pos, lt == std::string_view::npos ? std::string_view::npos : lt - pos);
        if (!run.empty()) {
            return Unescape(run);
        }
        Child child;
        if (lt == std::string_view::npos || !NextChild(content, pos, child)) {
            return {};
        }
    }
}

}  // namespace zivron::sheet::xml
