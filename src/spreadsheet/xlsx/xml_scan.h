#pragma once
// Reading XML where it stands in the bytes, for the sheet's rows: tens of thousands of small
// elements that a document tree would copy into nodes only to write them back unchanged.
// It takes plain XML only: elements, attributes, text and entities. A comment, CDATA section,
// processing instruction or doctype is "not plain", and the caller hands that part to the full
// parser instead.

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace zivron::sheet::xml {

// A start tag as it stands in the bytes.
struct Tag {
    std::string_view name;   // as written, with its prefix
    std::string_view attrs;  // the text between the name and the closing ">" or "/>"
    bool empty = false;      // "<name/>": the element ends with its tag
    std::size_t end = 0;     // just past the tag, in the text it was read from
};

struct Attr {
    std::string_view name;
    std::string_view value;  // as written, entities and all
    char quote = '"';
};

// The name without its namespace prefix.
std::string_view Local(std::string_view name);

// An attribute a caller wants from a start tag as it is read: the value of the first of that name.
struct Wanted {
    std::string_view name;
    std::optional<std::string_view> value = std::nullopt;
};

// The start tag whose "<" is at `at`; nothing if none is there or it is not plain (an end tag,
// a comment, a "<" or an unclosed quote in a value). The values `wanted` are noted on the way.
std::optional<Tag> StartTag(std::string_view xml, std::size_t at, std::span<Wanted> wanted = {});

// The start tag at the beginning of XML a scan already took as plain, or that was written here:
// found without checking it again.
Tag KnownTag(std::string_view xml);

// The attribute at `pos` of a tag's attribute text, `pos` moved past it; false after the last.
bool NextAttribute(std::string_view attrs, std::size_t& pos, Attr& out);
std::optional<std::string_view> Attribute(std::string_view attrs, std::string_view name);
// "<name" and the tag's attributes as they stood but those named in `dropped`; the caller adds
// its own and closes the tag.
void AppendStartTag(std::string& out, const Tag& tag,
                    std::initializer_list<std::string_view> dropped);

// Just past the end tag "</name>" at `at`; npos if that is not what stands there.
std::size_t EndTag(std::string_view xml, std::size_t at, std::string_view name);

// Just past the end tag of the element whose start tag is `tag`; npos if what it holds is not
// plain or its tags do not match.
std::size_t ElementEnd(std::string_view xml, const Tag& tag);

// The child elements of an element's content, one at a time.
struct Child {
    Tag tag;
    std::string_view whole;    // from its "<" to past its end
    std::string_view content;  // between its tags; empty for "<name/>"
};
bool NextChild(std::string_view content, std::size_t& pos, Child& out);

// The content of the element written in `element`, between its tags.
std::string_view Content(std::string_view element, const Tag& tag);

// Text as an XML reader gives it: entities and character references replaced, line ends as
// "\n". Unknown entities stay as written.
std::string Unescape(std::string_view raw);
// `raw` as a reader gives it, put in `buffer` only when it holds a reference.
std::string_view Decoded(std::string_view raw, std::string& buffer);
// The value of an attribute as a reader gives it; empty if absent.
std::string AttributeText(std::string_view attrs, std::string_view name);

// The element's text as a reader gives it: its first run of text between child elements.
std::string FirstText(std::string_view content);

}  // namespace zivron::sheet::xml
