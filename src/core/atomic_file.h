#pragma once
// Files that must never be half written: a temporary file in the same folder, flushed to disk, then
// renamed over the old one. A failure at any point leaves the old file whole.

#include <filesystem>
#include <functional>
#include <string_view>

#include "core/result.h"

namespace zivron {

Status WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                           std::filesystem::perms perms = std::filesystem::perms::owner_read |
                                                          std::filesystem::perms::owner_write |
                                                          std::filesystem::perms::group_read |
                                                          std::filesystem::perms::others_read);

// The same, with a last guard: `check` is given the temporary file once it is on disk, and only
// when it passes does the file take the name. A refusal leaves the old file whole.
using WrittenFileCheck = std::function<Status(const std::filesystem::path& written)>;
Status WriteFileChecked(const std::filesystem::path& path, std::string_view bytes,
                        const WrittenFileCheck& check,
                        std::filesystem::perms perms = std::filesystem::perms::owner_read |
                                                       std::filesystem::perms::owner_write |
                                                       std::filesystem::perms::group_read |
                                                       std::filesystem::perms::others_read);

// The whole file, or an error that names it.
Result<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace zivron
