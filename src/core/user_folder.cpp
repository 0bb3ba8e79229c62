#include "core/user_folder.h"

#include <cstdlib>

namespace zivron {

std::filesystem::path UserDataFolder() {
    std::filesystem::path base;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x != nullptr && *x != '\0') {
        base = x;
    } else if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') {
        base = std::filesystem::path(h) / ".local" / "share";
    } else {
        base = ".";
    }
    return base / "zivron";
}

}  // namespace zivron
