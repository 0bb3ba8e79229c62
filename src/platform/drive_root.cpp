#include "platform/drive_root.h"

#include <cstdlib>
#include <string>

namespace zivron {

std::filesystem::path DriveRoot() {
    if (const char* c = std::getenv("ZIVRON_DRIVE_C"); c != nullptr && *c != '\0') {
        return c;
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return home;
    }
    return std::filesystem::current_path();
}

std::filesystem::path MapWrittenPath(std::string_view written) {
    if (written.size() >= 2 && written[1] == ':' &&
        ((written[0] >= 'A' && written[0] <= 'Z') || (written[0] >= 'a' && written[0] <= 'z'))) {
        written.remove_prefix(2);
    }
    std::filesystem::path out = DriveRoot();
    std::string part;
    auto flush = [&] {
        // "." and ".." stay out so a written path cannot leave the drive root.
        if (!part.empty() && part != "." && part != "..") {
            out /= part;
        }
        part.clear();
    };
    for (char c : written) {
        if (c == '\\' || c == '/') {
            flush();
        } else {
            part.push_back(c);
        }
    }
    flush();
    return out;
}

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
