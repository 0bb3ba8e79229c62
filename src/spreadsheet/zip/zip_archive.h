#pragma once
// A zip archive held in memory as named parts, in their stored order: read once, written whole.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace zivron::sheet {

// Middle bytes of a part that stay deflated as they were read: they are never inflated again.
struct KeptPiece {
    std::string packed;
    std::uint64_t size = 0;  // inflated
    std::uint32_t crc = 0;   // of the inflated bytes
};

// A part deflated in three pieces, each starting afresh, so that a part growing in its middle
// keeps its earlier bytes as stored (see zip_pieces.h). The stored part is the first `head`
// bytes of `data`, then `kept`, then the rest of `data`, whose last `tail` bytes are the tail.
struct PartPieces {
    std::size_t head = 0;
    std::size_t tail = 0;
    KeptPiece kept;
};

struct ZipPart {
    std::string name;
    std::string data;  // uncompressed
    std::optional<PartPieces> pieces = std::nullopt;
};

struct ZipLimits {
    std::uint64_t max_part = 64ull << 20;    // one part, uncompressed
    std::uint64_t max_total = 256ull << 20;  // all parts together
    std::size_t max_parts = 10000;
};

// Reads every part. Sizes are enforced on the bytes actually inflated, not on what the archive
// claims, so a forged header cannot make it allocate more. With `keep_pieces`, a part stored in
// pieces whose sizes and checksum add up comes back as its head and tail, its middle kept.
Result<std::vector<ZipPart>> ReadZip(const std::filesystem::path& path,
                                     const ZipLimits& limits = {}, bool keep_pieces = false);

// A part composed as it is written, in place of the bytes held under its name: `compose` hands
// its bytes on a piece at a time, `last` with the final one.
struct StreamedPart {
    std::string name;
    std::function<void(const std::function<void(std::string_view piece, bool last)>&)> compose;
};

// The archive as bytes, every part deflated.
Result<std::string> WriteZip(const std::vector<ZipPart>& parts,
                             const StreamedPart* streamed = nullptr);

}  // namespace zivron::sheet
