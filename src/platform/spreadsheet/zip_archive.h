#pragma once
// A zip archive held in memory as named parts, in their stored order: read once, written whole.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/result.h"

namespace zivron::sheet {

struct ZipPart {
    std::string name;
    std::string data;  // uncompressed
};

struct ZipLimits {
    std::uint64_t max_part = 64ull << 20;    // one part, uncompressed
    std::uint64_t max_total = 256ull << 20;  // all parts together
    std::size_t max_parts = 10000;
};

// Reads every part. Sizes are enforced on the bytes actually inflated, not on what the archive
// claims, so a forged header cannot make it allocate more.
Result<std::vector<ZipPart>> ReadZip(const std::filesystem::path& path,
                                     const ZipLimits& limits = {});

// The archive as bytes, every part deflated.
Result<std::string> WriteZip(const std::vector<ZipPart>& parts);

}  // namespace zivron::sheet
