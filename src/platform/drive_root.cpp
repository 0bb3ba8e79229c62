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

}  // namespace zivron
