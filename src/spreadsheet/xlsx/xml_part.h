#pragma once
// Parsing and writing the XML parts of a workbook. No DTD is ever processed: a part that carries
// one is refused, so entity expansion cannot happen.

#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace zivron::sheet {

Status ParseXmlPart(std::string_view data, const std::string& part_name, pugi::xml_document& doc);

std::string SerializeXml(const pugi::xml_document& doc);

// Excel keeps characters XML cannot hold as _xHHHH_; these undo and apply that escape.
std::string DecodeOoxmlText(std::string_view text);
// The same for a text of its own, handed back without a copy when it holds no escape.
std::string DecodeOoxmlText(std::string&& text);
std::string EncodeOoxmlText(std::string_view text);

// The text of a string item (a shared string or an inline string): its <t>, or the <t> of each
// run; phonetic hints are not part of the text.
std::string StringItemText(pugi::xml_node item);

// The attribute or child whose name, without its namespace prefix, is `local`.
pugi::xml_attribute LocalAttribute(pugi::xml_node node, std::string_view local);
pugi::xml_node LocalChild(pugi::xml_node node, std::string_view local);
std::string_view LocalName(const pugi::xml_node& node);
// Every child element whose local name is `local`, in order.
std::vector<pugi::xml_node> Elements(pugi::xml_node parent, std::string_view local);

}  // namespace zivron::sheet
