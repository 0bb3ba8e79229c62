#include "spreadsheet/xlsx/cell_edits.h"

#include <algorithm>
#include <cstring>

namespace zivron::sheet {

std::int32_t CellEdits::Put(std::int32_t index, std::string_view xml) {
    bytes_ += xml.size();
    if (index >= 0) {
        Span& old = spans_[static_cast<std::size_t>(index)];
        bytes_ -= old.size;
        // A cell written again with XML no longer than before keeps its place.
        if (xml.size() <= old.size) {
            std::memcpy(blocks_[old.block].data() + old.at, xml.data(), xml.size());
            old.size = static_cast<std::uint32_t>(xml.size());
            return index;
        }
    }
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < xml.size()) {
        blocks_.emplace_back().reserve(std::max(kBlock, xml.size()));
    }
    std::string& block = blocks_.back();
    const Span span{static_cast<std::uint32_t>(blocks_.size() - 1),
                    static_cast<std::uint32_t>(block.size()),
                    static_cast<std::uint32_t>(xml.size())};
    block.append(xml);
    if (index >= 0) {
        spans_[static_cast<std::size_t>(index)] = span;
        return index;
    }
    spans_.push_back(span);
    return static_cast<std::int32_t>(spans_.size() - 1);
}

std::string_view CellEdits::operator[](std::int32_t index) const {
    const Span& s = spans_[static_cast<std::size_t>(index)];
    return std::string_view(blocks_[s.block]).substr(s.at, s.size);
}

}  // namespace zivron::sheet
