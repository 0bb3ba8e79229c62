#pragma once
// The cell formats of an .xlsx workbook, as far as fills go: a cell gets a fill by a new format
// that copies its own and names the new fill, so its number format, font and borders stay.

#include <map>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <utility>
#include <vector>

#include "core/result.h"
#include "spreadsheet/cell.h"

namespace zivron::sheet {

class XlsxStyles {
  public:
    // An empty `data` gives the minimal style sheet a new workbook has.
    Status Load(std::string_view data);
    bool Dirty() const { return dirty_; }
    std::string Serialize() const;

    // The format index for a cell of format `xf` filled with `colour`.
    unsigned WithFill(unsigned xf, Rgb colour);
    // The same format with no fill at all.
    unsigned WithoutFill(unsigned xf);
    std::optional<Rgb> FillOf(unsigned xf) const;
    // The format index for a cell of format `xf` shown in built-in number format `num_fmt`.
    unsigned WithNumberFormat(unsigned xf, unsigned num_fmt);

    static std::string MinimalStyleSheet();

  private:
    pugi::xml_node EnsureList(std::string_view local);
    // A copy of format `xf` with `attribute` set to `value` and its apply flag on.
    unsigned Derive(unsigned xf, const char* attribute, unsigned value, const char* apply);
    void SetCount(pugi::xml_node list, std::size_t n);
    std::optional<Rgb> ReadFill(unsigned xf) const;

    pugi::xml_document doc_;
    pugi::xml_node root_;
    pugi::xml_node fills_;
    pugi::xml_node xfs_;
    std::vector<pugi::xml_node> fill_nodes_;
    std::vector<pugi::xml_node> xf_nodes_;
    std::map<std::uint32_t, unsigned> fill_by_colour_;
    std::map<std::pair<unsigned, std::uint32_t>, unsigned> xf_cache_;
    std::map<std::pair<unsigned, unsigned>, unsigned> format_cache_;
    // FillOf's answers by format, read once, with the count of fills they were read against.
    mutable std::vector<std::optional<std::optional<Rgb>>> fill_of_;
    mutable std::size_t fill_of_fills_ = 0;
    bool dirty_ = false;
};

}  // namespace zivron::sheet
