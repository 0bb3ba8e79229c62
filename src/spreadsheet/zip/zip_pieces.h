#pragma once
// A part deflated as three pieces that each start afresh (a full flush between them, so none
// refers back into another): head, middle and tail. A part that grows in its middle, as the
// yearly summary does run after run, keeps its middle deflated as it is and adds the new bytes
// after it; only those and the small head and tail are deflated again. The pieces' sizes and the
// middle's checksum ride in an extra field of the entry, which other readers skip: to them the
// part is one ordinary deflate stream.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/result.h"
#include "spreadsheet/zip/zip_archive.h"

namespace zivron::sheet {

inline constexpr std::uint16_t kPiecesFieldId = 0x7A76;

struct PackedPart {
    std::string packed;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    std::string extra;  // the whole extra field, id and length first
};

Result<PackedPart> DeflatePieces(std::string_view data, const PartPieces& pieces);

struct SplitPart {
    std::string data;  // head and tail, inflated
    PartPieces pieces;
};

// The head and tail of an entry stored in pieces, its middle kept deflated. Nothing when the
// field is not ours or its sizes and checksums do not add up to the entry's own, for then the
// entry was written by someone else or changed since: it is read whole instead.
std::optional<SplitPart> SplitPieces(std::string_view packed, std::string_view field,
                                     std::uint32_t crc, std::uint64_t size,
                                     std::uint64_t max_inflated);

}  // namespace zivron::sheet
