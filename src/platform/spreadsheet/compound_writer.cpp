#include "platform/spreadsheet/compound_writer.h"

#include <algorithm>
#include <cstdint>

#include "platform/spreadsheet/xls_records.h"

namespace zivron::sheet {
namespace {

using biff::Put16;
using biff::Put32;

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
    std::sort(streams.begin(), streams.end(), [](const auto& a, const auto& b) {
        return a.first.size() != b.first.size() ? a.first.size() < b.first.size()
                                                : Upper(a.first) < Upper(b.first);
    });
    // The sectors in order: the large streams, the mini stream, the mini table, the directory,
    // then the allocation table and its DIFAT sectors.
    std::string data;
    std::vector<std::uint32_t> fat;
    std::string mini;
    std::vector<std::uint32_t> mini_fat;
    std::vector<std::uint32_t> starts;
    for (const auto& [name, bytes] : streams) {
        starts.push_back(bytes.size() < kMiniCutoff ? Place(mini, mini_fat, bytes, kMiniSector)
                                                    : Place(data, fat, bytes, kSector));
    }
    const std::uint32_t mini_start = Place(data, fat, mini, kSector);
    std::string mini_table;
    for (std::uint32_t v : mini_fat) {
        Put32(mini_table, v);
    }
    const std::uint32_t mini_table_start = Place(data, fat, mini_table, kSector);
    std::string dir;
    DirectoryEntry(dir, u"Root Entry", 5, kFree, streams.empty() ? kFree : 1, mini_start,
                   static_cast<std::uint32_t>(mini.size()));
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const std::uint32_t right =
            i + 1 < streams.size() ? static_cast<std::uint32_t>(i + 2) : kFree;
        DirectoryEntry(dir, streams[i].first, 2, right, kFree, starts[i],
                       static_cast<std::uint32_t>(streams[i].second.size()));
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
