#pragma once

#include <filesystem>

namespace zivron {

// Opens a file or folder with the desktop's program for it (xdg-open), without waiting for it.
// False when the opener could not be started.
bool OpenWithDesktop(const std::filesystem::path& path);

}  // namespace zivron
