#include "spreadsheet/cfb/compound_writer.h"

#include <algorithm>
#include <cstdint>

#include "spreadsheet/little_endian.h"

namespace zivron::sheet {
namespace {

using le::Put16;
using le::Put32;

constexpr std::uint32_t kSector = 512;
constexpr std::uint32_t kMiniSector = 64;
constexpr std::uint32_t kMiniCutoff = 4096;
constexpr std::uint32_t kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kFatSect = 0xFFFFFFFD,
                        kDifSect = 0xFFFFFFFC;

std::u16string Upper(std::u16string s) {
    for (char16_t& c : s) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - 32);
        }
    }
    return s;
}

// Sectors of `size` bytes appended to `area` at a boundary, chained in `table`; the first one.
std::uint32_t Place(std::string& area, std::vector<std::uint32_t>& table, const std::string& bytes,
                    std::uint32_t unit) {
    if (bytes.empty()) {
        return kEnd;
    }
    const auto first = static_cast<std::uint32_t>(area.size() / unit);
    const auto count = static_cast<std::uint32_t>((bytes.size() + unit - 1) / unit);
    area += bytes;
    area.resize(static_cast<std::size_t>(first + count) * unit, '\0');
    table.resize(first + count, kFree);
    for (std::uint32_t k = 0; k < count; ++k) {
        table[first + k] = k + 1 < count ? first + k + 1 : kEnd;
    }
    return first;
}

void DirectoryEntry(std::string& dir, const std::u16string& name, std::uint8_t type,
                    std::uint32_t right, std::uint32_t child, std::uint32_t start,
                    std::uint32_t size) {
    std::string e;
    for (char16_t c : name) {
        Put16(e, c);
    }
    e.resize(64, '\0');
    Put16(e, name.empty() ? 0 : static_cast<std::uint32_t>((name.size() + 1) * 2));
    e.push_back(static_cast<char>(type));
    e.push_back(1);  // black
    Put32(e, kFree);
    Put32(e, right);
    Put32(e, child);
    e.append(16, '\0');  // class
    Put32(e, 0);         // state
    e.append(16, '\0');  // times
    Put32(e, start);
    Put32(e, size);
    Put32(e, 0);
    dir += e;
}

}  // namespace

std::string CompoundOf(std::vector<std::pair<std::u16string, std::string>> streams) {
    // The tree: storages made from the streams' paths, each one's children in the order the
    // format sorts names.
    struct Node {
        std::u16string name;
        std::uint8_t type = 2;
        const std::string* bytes = nullptr;
        std::vector<std::size_t> children;
    };
    std::vector<Node> nodes = {{u"Root Entry", 5, nullptr, {}}};
    for (const auto& [path, bytes] : streams) {
        std::size_t parent = 0;
        for (std::size_t from = 0;;) {
            const std::size_t slash = path.find(u'/', from);
            const std::u16string part = path.substr(from, slash - from);
            auto& kids = nodes[parent].children;
            auto it = std::find_if(kids.begin(), kids.end(),
                                   [&](std::size_t k) { return nodes[k].name == part; });
            std::size_t child = 0;
            if (it != kids.end()) {
                child = *it;
            } else {
                child = nodes.size();
                nodes.push_back(
                    {part, static_cast<std::uint8_t>(slash == path.npos ? 2 : 1), nullptr, {}});
                nodes[parent].children.push_back(child);
            }
            if (slash == path.npos) {
                nodes[child].bytes = &bytes;
                break;
            }
            parent = child;
            from = slash + 1;
        }
    }
    for (Node& n : nodes) {
        std::sort(n.children.begin(), n.children.end(), [&](std::size_t a, std::size_t b) {
            const std::u16string& x = nodes[a].name;
            const std::u16string& y = nodes[b].name;
            return x.size() != y.size() ? x.size() < y.size() : Upper(x) < Upper(y);
        });
    }
    // The sectors in order: the large streams, the mini stream, the mini table, the directory,
    // then the allocation table and its DIFAT sectors.
    std::string data;
    std::vector<std::uint32_t> fat;
    std::string mini;
    std::vector<std::uint32_t> mini_fat;
    std::vector<std::uint32_t> starts(nodes.size(), kEnd);
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        if (const std::string* bytes = nodes[i].bytes) {
            starts[i] = bytes->size() < kMiniCutoff ? Place(mini, mini_fat, *bytes, kMiniSector)
                                                    : Place(data, fat, *bytes, kSector);
        }
    }
    starts[0] = Place(data, fat, mini, kSector);
    std::string mini_table;
    for (std::uint32_t v : mini_fat) {
        Put32(mini_table, v);
    }
    const std::uint32_t mini_table_start = Place(data, fat, mini_table, kSector);
    // A storage's first child is its child; each next one the right sibling of the one before.
    std::vector<std::uint32_t> right(nodes.size(), kFree);
    for (const Node& n : nodes) {
        for (std::size_t k = 0; k + 1 < n.children.size(); ++k) {
            right[n.children[k]] = static_cast<std::uint32_t>(n.children[k + 1]);
        }
    }
    std::string dir;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const Node& n = nodes[i];
        const std::uint32_t size = i == 0 ? static_cast<std::uint32_t>(mini.size())
                                   : n.bytes != nullptr
                                       ? static_cast<std::uint32_t>(n.bytes->size())
                                       : 0;
        DirectoryEntry(dir, n.name, n.type, right[i],
                       n.children.empty() ? kFree : static_cast<std::uint32_t>(n.children[0]),
                       n.type == 1 ? 0 : starts[i], size);
    }
    while (dir.size() % kSector != 0) {
        DirectoryEntry(dir, u"", 0, kFree, kFree, 0, 0);
    }
    const std::uint32_t dir_start = Place(data, fat, dir, kSector);

    const auto used = static_cast<std::uint32_t>(data.size() / kSector);
    std::uint32_t fat_sectors = 1, difat_sectors = 0;
    while (fat_sectors * 128 < used + fat_sectors + difat_sectors) {
        ++fat_sectors;
        difat_sectors = fat_sectors > 109 ? (fat_sectors - 109 + 126) / 127 : 0;
    }
    fat.resize(static_cast<std::size_t>(fat_sectors) * 128, kFree);
    for (std::uint32_t k = 0; k < fat_sectors; ++k) {
        fat[used + k] = kFatSect;
    }
    for (std::uint32_t k = 0; k < difat_sectors; ++k) {
        fat[used + fat_sectors + k] = kDifSect;
    }

    std::string header;
    header.append("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    header.append(16, '\0');
    Put16(header, 0x003E);
    Put16(header, 0x0003);
    Put16(header, 0xFFFE);
    Put16(header, 0x0009);
    Put16(header, 0x0006);
    header.append(6, '\0');
    Put32(header, 0);
    Put32(header, fat_sectors);
    Put32(header, dir_start);
    Put32(header, 0);
    Put32(header, kMiniCutoff);
    Put32(header, mini_table_start);
    Put32(header, static_cast<std::uint32_t>(mini_table.size() + kSector - 1) / kSector);
    Put32(header, difat_sectors == 0 ? kEnd : used + fat_sectors);
    Put32(header, difat_sectors);
    for (std::uint32_t i = 0; i < 109; ++i) {
        Put32(header, i < fat_sectors ? used + i : kFree);
    }
    std::string out = header + data;
    out.reserve(out.size() + (fat_sectors + difat_sectors) * kSector);
    for (std::uint32_t v : fat) {
        Put32(out, v);
    }
    for (std::uint32_t k = 0; k < difat_sectors; ++k) {
        for (std::uint32_t i = 0; i < 127; ++i) {
            const std::uint32_t n = 109 + k * 127 + i;
            Put32(out, n < fat_sectors ? used + n : kFree);
        }
        Put32(out, k + 1 < difat_sectors ? used + fat_sectors + k + 1 : kEnd);
    }
    return out;
}

std::string CompoundFile(const std::string& workbook_stream) {
    return CompoundOf({{u"Workbook", workbook_stream}});
}

}  // namespace zivron::sheet
