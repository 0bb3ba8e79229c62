#include "spreadsheet/xlsx/xlsx_styles.h"

#include <cstdio>
#include <cstdlib>

#include "spreadsheet/xlsx/xlsx_package.h"
#include "spreadsheet/xlsx/xml_part.h"

namespace zivron::sheet {
namespace {

std::uint32_t Key(Rgb c) {
    return (std::uint32_t{c.red} << 16) | (std::uint32_t{c.green} << 8) | c.blue;
}

}  // namespace

std::string XlsxStyles::MinimalStyleSheet() {
    return R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
           "\n"
           R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)"
           R"(<fonts count="1"><font><sz val="11"/><name val="Arial"/><family val="2"/></font></fonts>)"
           R"(<fills count="2"><fill><patternFill patternType="none"/></fill>)"
           R"(<fill><patternFill patternType="gray125"/></fill></fills>)"
           R"(<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>)"
           R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)"
           R"(<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>)"
           R"(<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>)"
           R"(</styleSheet>)";
}

Status XlsxStyles::Load(std::string_view data) {
    std::string minimal;
    if (data.empty()) {
        minimal = MinimalStyleSheet();
        data = minimal;
    }
    ZIVRON_TRY(ParseXmlPart(data, "styles", doc_));
    root_ = doc_.document_element();
    if (LocalName(root_) != "styleSheet") {
        return Error{ErrorCode::BadInput, "החוברת פגומה: גיליון הסגנונות אינו תקין"};
    }
    fills_ = EnsureList("fills");
    xfs_ = EnsureList("cellXfs");
    fill_nodes_ = Elements(fills_, "fill");
    xf_nodes_ = Elements(xfs_, "xf");
    return Ok();
}

pugi::xml_node XlsxStyles::EnsureList(std::string_view local) {
    if (pugi::xml_node n = LocalChild(root_, local)) {
        return n;
    }
    // The schema fixes the order of the lists; a missing one goes after the last of those
    // before it.
    static constexpr std::string_view kOrder[] = {"numFmts", "fonts",        "fills",
                                                  "borders", "cellStyleXfs", "cellXfs"};
    pugi::xml_node after;
    for (std::string_view earlier : kOrder) {
        if (earlier == local) {
            break;
        }
        if (pugi::xml_node n = LocalChild(root_, earlier)) {
            after = n;
        }
    }
    std::string name = ChildName(root_, local);
    dirty_ = true;
    return after ? root_.insert_child_after(name.c_str(), after)
                 : root_.prepend_child(name.c_str());
}

void XlsxStyles::SetCount(pugi::xml_node list, std::size_t n) {
    pugi::xml_attribute a = list.attribute("count");
    if (!a) {
        a = list.append_attribute("count");
    }
    a.set_value(static_cast<unsigned long long>(n));
}

std::string XlsxStyles::Serialize() const {
    return SerializeXml(doc_);
}

unsigned XlsxStyles::WithFill(unsigned xf, Rgb colour) {
    const std::uint32_t key = Key(colour);
    if (auto it = xf_cache_.find({xf, key}); it != xf_cache_.end()) {
        return it->second;
    }
    dirty_ = true;
    unsigned fill_id;
    if (auto it = fill_by_colour_.find(key); it != fill_by_colour_.end()) {
        fill_id = it->second;
    } else {
        // A workbook needs the two reserved fills before any of its own.
        while (fill_nodes_.size() < 2) {
            pugi::xml_node f = fills_.append_child(ChildName(fills_, "fill").c_str());
            f.append_child(ChildName(fills_, "patternFill").c_str())
                .append_attribute("patternType")
                .set_value(fill_nodes_.empty() ? "none" : "gray125");
            fill_nodes_.push_back(f);
        }
        pugi::xml_node f = fills_.append_child(ChildName(fills_, "fill").c_str());
        pugi::xml_node p = f.append_child(ChildName(fills_, "patternFill").c_str());
        p.append_attribute("patternType").set_value("solid");
        char argb[16];
        std::snprintf(argb, sizeof argb, "FF%02X%02X%02X", colour.red, colour.green, colour.blue);
        p.append_child(ChildName(fills_, "fgColor").c_str())
            .append_attribute("rgb")
            .set_value(argb);
        p.append_child(ChildName(fills_, "bgColor").c_str())
            .append_attribute("indexed")
            .set_value(64);
        fill_id = static_cast<unsigned>(fill_nodes_.size());
        fill_nodes_.push_back(f);
        fill_by_colour_[key] = fill_id;
        SetCount(fills_, fill_nodes_.size());
    }
    unsigned index = Derive(xf, "fillId", fill_id, "applyFill");
    xf_cache_[{xf, key}] = index;
    return index;
}

unsigned XlsxStyles::WithoutFill(unsigned xf) {
    constexpr std::uint32_t kNoFill = 0xFFFFFFFFu;  // no colour has this key
    if (auto it = xf_cache_.find({xf, kNoFill}); it != xf_cache_.end()) {
        return it->second;
    }
    if (!FillOf(xf)) {
        return xf;  // nothing to take away
    }
    dirty_ = true;
    unsigned index = Derive(xf, "fillId", 0, "applyFill");  // fill 0 is the reserved "none"
    xf_cache_[{xf, kNoFill}] = index;
    return index;
}

unsigned XlsxStyles::WithNumberFormat(unsigned xf, unsigned num_fmt) {
    if (auto it = format_cache_.find({xf, num_fmt}); it != format_cache_.end()) {
        return it->second;
    }
    unsigned index = Derive(xf, "numFmtId", num_fmt, "applyNumberFormat");
    format_cache_[{xf, num_fmt}] = index;
    return index;
}

unsigned XlsxStyles::Derive(unsigned xf, const char* attribute, unsigned value, const char* apply) {
    dirty_ = true;
    if (xf_nodes_.empty()) {
        pugi::xml_node base = xfs_.append_child(ChildName(xfs_, "xf").c_str());
        for (const char* a : {"numFmtId", "fontId", "fillId", "borderId", "xfId"}) {
            base.append_attribute(a).set_value(0);
        }
        xf_nodes_.push_back(base);
    }
    pugi::xml_node source = xf < xf_nodes_.size() ? xf_nodes_[xf] : xf_nodes_[0];
    pugi::xml_node copy = xfs_.append_copy(source);
    for (auto [name, v] : {std::pair<const char*, unsigned>{attribute, value}, {apply, 1u}}) {
        pugi::xml_attribute a = copy.attribute(name);
        if (!a) {
            a = copy.append_attribute(name);
        }
        a.set_value(v);
    }
    unsigned index = static_cast<unsigned>(xf_nodes_.size());
    xf_nodes_.push_back(copy);
    SetCount(xfs_, xf_nodes_.size());
    return index;
}

std::optional<Rgb> XlsxStyles::FillOf(unsigned xf) const {
    if (xf >= xf_nodes_.size()) {
        return std::nullopt;
    }
    // Formats and fills are only ever added: an answer stands until a fill is added, which may
    // be the one a format's fillId named before it existed.
    if (fill_of_fills_ != fill_nodes_.size()) {
        fill_of_.clear();
        fill_of_fills_ = fill_nodes_.size();
    }
    fill_of_.resize(xf_nodes_.size());
    if (!fill_of_[xf]) {
        fill_of_[xf] = ReadFill(xf);
    }
    return *fill_of_[xf];
}

std::optional<Rgb> XlsxStyles::ReadFill(unsigned xf) const {
    unsigned fill_id = xf_nodes_[xf].attribute("fillId").as_uint(0);
    if (fill_id >= fill_nodes_.size()) {
        return std::nullopt;
    }
    pugi::xml_node p = LocalChild(fill_nodes_[fill_id], "patternFill");
    if (std::string_view(p.attribute("patternType").as_string()) != "solid") {
        return std::nullopt;
    }
    std::string_view argb = LocalChild(p, "fgColor").attribute("rgb").as_string();
    if (argb.size() != 8) {
        return std::nullopt;  // theme and indexed colours are not the program's marks
    }
    unsigned long v = std::strtoul(std::string(argb.substr(2)).c_str(), nullptr, 16);
    return Rgb{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8),
               static_cast<std::uint8_t>(v)};
}

}  // namespace zivron::sheet
