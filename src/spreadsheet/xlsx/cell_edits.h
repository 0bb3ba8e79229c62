#pragma once
// The XML of a sheet's changed cells, one after another in blocks of a megabyte: a string for
// each of a hundred thousand changed cells was an allocation each and scattered them in memory.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zivron::sheet {

class CellEdits {
  public:
    // Keeps `xml` as the cell's XML, over what `index` held (a cell changed before), or as a new
    // entry when `index` is negative; gives the entry back. `xml` must not lie in the store.
    std::int32_t Put(std::int32_t index, std::string_view xml);
    std::string_view operator[](std::int32_t index) const;
    // The bytes of the XML held, for room to write it in.
    std::size_t Bytes() const { return bytes_; }

  private:
    struct Span {
        std::uint32_t block = 0;
        std::uint32_t at = 0;
        std::uint32_t size = 0;
    };
    static constexpr std::size_t kBlock = 1 << 20;
    std::vector<Span> spans_;
    // Each reserved once and never grown past that, so what it holds stays where it is.
    std::vector<std::string> blocks_;
    std::size_t bytes_ = 0;
};

}  // namespace zivron::sheet
