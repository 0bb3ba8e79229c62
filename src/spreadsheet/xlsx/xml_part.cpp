#include "spreadsheet/xlsx/xml_part.h"

#include <cstdio>
#include <sstream>

namespace zivron::sheet {

Status ParseXmlPart(std::string_view data, const std::string& part_name, pugi::xml_document& doc) {
    // One pass for "!", rare in a part (comments, CDATA, the odd text), then what is around it.
    bool dtd = false;
    for (std::size_t at = data.find('!'); at != std::string_view::npos && !dtd;
         at = data.find('!', at + 1)) {
        const std::string_view rest = data.substr(at - (at > 0 ? 1 : 0));
        dtd = rest.starts_with("<!DOCTYPE") || rest.starts_with("<!ENTITY");
    }
    if (dtd) {
        return Error{ErrorCode::BadInput,
                     "החוברת מכילה הגדרת DTD בחלק " + part_name + " ואינה נקראת מטעמי בטיחות"};
    }
    constexpr unsigned kOptions =
        pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata;
    pugi::xml_parse_result r =
        doc.load_buffer(data.data(), data.size(), kOptions, pugi::encoding_auto);
    if (!r) {
        return Error{ErrorCode::BadInput, "החוברת פגומה: החלק " + part_name + " אינו XML תקין (" +
                                              r.description() + ")"};
    }
    return Ok();
}

namespace {
struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override {
        out.append(static_cast<const char*>(data), size);
    }
};
}  // namespace

std::string SerializeXml(const pugi::xml_document& doc) {
    StringWriter w;
    doc.save(w, "", pugi::format_raw, pugi::encoding_utf8);
    return std::move(w.out);
}

namespace {

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool EscapeAt(std::string_view t, std::size_t i) {
    return i + 7 <= t.size() && t[i] == '_' && t[i + 1] == 'x' && IsHex(t[i + 2]) &&
           IsHex(t[i + 3]) && IsHex(t[i + 4]) && IsHex(t[i + 5]) && t[i + 6] == '_';
}

}  // namespace

std::string DecodeOoxmlText(std::string_view t) {
    if (t.find("_x") == std::string_view::npos) {
        return std::string(t);
    }
    std::string out;
    out.reserve(t.size());
    for (std::size_t i = 0; i < t.size();) {
        if (EscapeAt(t, i)) {
            unsigned cp =
                static_cast<unsigned>(std::stoul(std::string(t.substr(i + 2, 4)), nullptr, 16));
            // Only the escapes Excel writes: control characters and "_" itself.
            if (cp < 0x20 || cp == 0x5F) {
                out.push_back(static_cast<char>(cp));
                i += 7;
                continue;
            }
        }
        out.push_back(t[i++]);
    }
    return out;
}

std::string DecodeOoxmlText(std::string&& text) {
    if (text.find("_x") == std::string::npos) {
        return std::move(text);
    }
    return DecodeOoxmlText(std::string_view(text));
}

std::string EncodeOoxmlText(std::string_view t) {
    std::string out;
    out.reserve(t.size());
    for (std::size_t i = 0; i < t.size(); ++i) {
        auto c = static_cast<unsigned char>(t[i]);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || EscapeAt(t, i)) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "_x%04X_", c);
            out += buf;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

std::string_view LocalName(const pugi::xml_node& node) {
    std::string_view n = node.name();
    std::size_t colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

pugi::xml_attribute LocalAttribute(pugi::xml_node node, std::string_view local) {
    for (pugi::xml_attribute a : node.attributes()) {
        std::string_view n = a.name();
        std::size_t colon = n.find(':');
        if ((colon == std::string_view::npos ? n : n.substr(colon + 1)) == local) {
            return a;
        }
    }
    return {};
}

std::vector<pugi::xml_node> Elements(pugi::xml_node parent, std::string_view local) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node n : parent.children()) {
        if (n.type() == pugi::node_element && LocalName(n) == local) {
            out.push_back(n);
        }
    }
    return out;
}

pugi::xml_node LocalChild(pugi::xml_node node, std::string_view local) {
    for (pugi::xml_node c : node.children()) {
        if (c.type() == pugi::node_element && LocalName(c) == local) {
            return c;
        }
    }
    return {};
}

std::string StringItemText(pugi::xml_node item) {
    // Most items are one plain <t>: its text as it stands.
    const pugi::xml_node first = item.first_child();
    if (first && !first.next_sibling() && LocalName(first) == "t") {
        return DecodeOoxmlText(std::string_view(first.text().get()));
    }
    std::string out;
    for (pugi::xml_node n : item.children()) {
        std::string_view name = LocalName(n);
        if (name == "t") {
            out += n.text().get();
        } else if (name == "r") {
            out += LocalChild(n, "t").text().get();
        }
    }
    return DecodeOoxmlText(std::move(out));
}

}  // namespace zivron::sheet
