#pragma once
// Files that must never be half written: a temporary file in the same folder, flushed to disk, then
// renamed over the old one. A failure at any point leaves the old file whole.

#include <filesystem>
#include <string_view>

#include "core/result.h"

namespace zivron {

Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                           std::filesystem::perms perms = std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::owner_write |
                                                          std::filesystem::perms::group_read |
                                                          std::filesystem::perms::others_read);

// The whole file, or an error that names it.
Result<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace zivron
