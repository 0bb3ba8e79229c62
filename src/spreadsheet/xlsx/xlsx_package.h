#pragma once
// The package of an .xlsx file: its parts by name, relationships and content types.

#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/zip/zip_archive.h"

namespace zivron::sheet {

namespace rel {
inline constexpr std::string_view kOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr std::string_view kWorksheet =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline constexpr std::string_view kStyles =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
inline constexpr std::string_view kSharedStrings =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings";
inline constexpr std::string_view kCalcChain =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain";
inline constexpr std::string_view kNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
}  // namespace rel

inline constexpr std::string_view kMainNamespace =
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr std::string_view kWorksheetType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
inline constexpr std::string_view kStylesType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";

// "worksheets/sheet1.xml" from the folder "xl" is "xl/worksheets/sheet1.xml"; an absolute target
// ("/xl/...") is taken from the root; ".." steps up. Empty when it would leave the package.
std::string ResolvePartName(std::string_view base_folder, std::string_view target);

// The folder of a part ("xl/workbook.xml" -> "xl") and the name of its relationships part
// ("xl/workbook.xml" -> "xl/_rels/workbook.xml.rels").
std::string FolderOf(std::string_view part);
std::string RelsPartOf(std::string_view part);

// A Type ending, so "…/relationships/worksheet" and the strict variant both match "worksheet".
bool RelTypeIs(std::string_view type, std::string_view wanted);

class Parts {
  public:
    explicit Parts(std::vector<ZipPart> parts) : parts_(std::move(parts)) {}

    ZipPart* Find(std::string_view name);
    const ZipPart* Find(std::string_view name) const;
    void Put(std::string name, std::string data);  // replaces in place or appends
    void Remove(std::string_view name);
    const std::vector<ZipPart>& All() const { return parts_; }

  private:
    std::vector<ZipPart> parts_;
};

// The element name for a new child of `parent`, with the parent's namespace prefix if it has one.
std::string ChildName(const pugi::xml_node& parent, std::string_view local);

}  // namespace zivron::sheet
