#include "spreadsheet/xlsx/xlsx_package.h"

#include <algorithm>

namespace zivron::sheet {

std::string ResolvePartName(std::string_view base_folder, std::string_view target) {
    std::vector<std::string> segments;
    auto push_path = [&](std::string_view p) {
        std::size_t i = 0;
        while (i <= p.size()) {
            std::size_t slash = p.find('/', i);
            if (slash == std::string_view::npos) {
                slash = p.size();
            }
            std::string_view seg = p.substr(i, slash - i);
            if (seg == "..") {
                if (segments.empty()) {
                    return false;
                }
                segments.pop_back();
            } else if (!seg.empty() && seg != ".") {
                segments.emplace_back(seg);
            }
            i = slash + 1;
        }
        return true;
    };
    if (target.empty()) {
        return {};
    }
    if (target.front() != '/' && !push_path(base_folder)) {
        return {};
    }
    if (!push_path(target)) {
        return {};
    }
    std::string out;
    for (const std::string& s : segments) {
        if (!out.empty()) {
            out += '/';
        }
        out += s;
    }
    return out;
}

std::string FolderOf(std::string_view part) {
    std::size_t slash = part.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash));
}

std::string RelsPartOf(std::string_view part) {
    std::size_t slash = part.rfind('/');
    std::string folder =
        slash == std::string_view::npos ? "" : std::string(part.substr(0, slash + 1));
    std::string file(slash == std::string_view::npos ? part : part.substr(slash + 1));
    return folder + "_rels/" + file + ".rels";
}

bool RelTypeIs(std::string_view type, std::string_view wanted) {
    std::size_t slash = wanted.rfind('/');
    std::string_view tail = wanted.substr(slash + 1);
    return type.size() > tail.size() && type.substr(type.size() - tail.size()) == tail &&
           type[type.size() - tail.size() - 1] == '/';
}

ZipPart* Parts::Find(std::string_view name) {
    auto it = std::find_if(parts_.begin(), parts_.end(),
                           [&](const ZipPart& p) { return p.name == name; });
    if (it != parts_.end()) {
        return &*it;
    }
    // Part names compare without regard to case.
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    it = std::find_if(parts_.begin(), parts_.end(), [&](const ZipPart& p) {
        return p.name.size() == name.size() &&
               std::equal(p.name.begin(), p.name.end(), name.begin(),
                          [&](char a, char b) { return lower(a) == lower(b); });
    });
    return it == parts_.end() ? nullptr : &*it;
}

const ZipPart* Parts::Find(std::string_view name) const {
    return const_cast<Parts*>(this)->Find(name);
}

void Parts::Put(std::string name, std::string data) {
    if (ZipPart* p = Find(name)) {
        p->data = std::move(data);
        return;
    }
    parts_.push_back({std::move(name), std::move(data)});
}

void Parts::Remove(std::string_view name) {
    std::erase_if(parts_, [&](const ZipPart& p) { return p.name == name; });
}

std::string ChildName(const pugi::xml_node& parent, std::string_view local) {
    std::string_view n = parent.name();
    std::size_t colon = n.find(':');
    if (colon == std::string_view::npos) {
        return std::string(local);
    }
    return std::string(n.substr(0, colon + 1)) + std::string(local);
}

}  // namespace zivron::sheet
