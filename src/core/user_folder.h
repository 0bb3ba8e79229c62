#pragma once
// Where the program keeps what belongs to its user, as the XDG base directories say.

#include <filesystem>

namespace zivron {

// $XDG_DATA_HOME/zivron, else ~/.local/share/zivron, else ./zivron.
std::filesystem::path UserDataFolder();

}  // namespace zivron
