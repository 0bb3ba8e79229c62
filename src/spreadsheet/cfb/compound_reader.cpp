#include "spreadsheet/cfb/compound_reader.h"

#include <cstdint>
#include <cstring>
#include <optional>

#include "spreadsheet/little_endian.h"

namespace zivron::sheet {
namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;

Error Damaged(const std::string& why) {
    return Error{ErrorCode::BadInput, "קובץ xls פגום (" + why + ")"};
}

// A sector number; past the end it reads as a free sector, a field that points nowhere.
std::uint32_t SectorField(std::string_view s, std::size_t at) {
    return at + 4 > s.size() ? kFreeSector : le::U32(s, at);
}

using le::U16;

// The header's fields.
constexpr std::size_t kHeaderBytes = 512;
constexpr std::size_t kSectorShift = 0x1E;
constexpr std::size_t kMiniSectorShift = 0x20;
constexpr std::size_t kFirstDirectorySector = 0x30;
constexpr std::size_t kMiniStreamCutoff = 0x38;
constexpr std::size_t kFirstMiniFatSector = 0x3C;
constexpr std::size_t kFirstDifatSector = 0x44;
constexpr std::size_t kDifatInHeader = 0x4C;  // the first 109 allocation-table sectors
constexpr std::size_t kDifatEntriesInHeader = 109;

// A directory entry's fields; each entry is 128 bytes.
constexpr std::size_t kEntryBytes = 128;
constexpr std::size_t kEntryNameBytes = 0x40;
constexpr std::size_t kEntryType = 0x42;
constexpr std::size_t kEntryLeft = 0x44;
constexpr std::size_t kEntryRight = 0x48;
constexpr std::size_t kEntryChild = 0x4C;
constexpr std::size_t kEntryStart = 0x74;
constexpr std::size_t kEntrySize = 0x78;
// Its kinds.
constexpr unsigned char kStorageEntry = 1;
constexpr unsigned char kStreamEntry = 2;
constexpr unsigned char kRootEntry = 5;

// The compound document: its sectors, the allocation tables, the directory.
class Compound {
  public:
    explicit Compound(std::string_view file) : f_(file) {}

    Status Load() {
        static constexpr unsigned char kSignature[] = {0xD0, 0xCF, 0x11, 0xE0,
                                                       0xA1, 0xB1, 0x1A, 0xE1};
        if (f_.size() < kHeaderBytes || std::memcmp(f_.data(), kSignature, 8) != 0) {
            return Damaged("אינו מסמך מורכב");
        }
        const std::uint16_t shift = U16(f_, kSectorShift);
        if ((shift != 9 && shift != 12) || U16(f_, kMiniSectorShift) != 6) {
            return Damaged("גודל מגזר לא תקין");
        }
        sector_ = std::size_t{1} << shift;
        sectors_ = (f_.size() - kHeaderBytes + sector_ - 1) / sector_;
        // The sectors of the allocation table: 109 in the header, the rest in a chain of its own.
        std::vector<std::uint32_t> fat_sectors;
        for (std::size_t i = 0; i < kDifatEntriesInHeader; ++i) {
            const std::uint32_t s = SectorField(f_, kDifatInHeader + 4 * i);
            if (s != kFreeSector) {
                fat_sectors.push_back(s);
            }
        }
        std::uint32_t difat = SectorField(f_, kFirstDifatSector);
        for (std::size_t hops = 0; difat != kEndOfChain && difat != kFreeSector; ++hops) {
            std::optional<std::string_view> sec = Sector(difat);
            if (!sec || hops > sectors_) {
                return Damaged("טבלת ההקצאה הכפולה פגומה");
            }
            for (std::size_t i = 0; i + 1 < sector_ / 4; ++i) {
                const std::uint32_t s = SectorField(*sec, 4 * i);
                if (s != kFreeSector) {
                    fat_sectors.push_back(s);
                }
            }
            difat = SectorField(*sec, sector_ - 4);
        }
        for (std::uint32_t s : fat_sectors) {
            std::optional<std::string_view> sec = Sector(s);
            if (!sec) {
                return Damaged("מגזר מחוץ לקובץ");
            }
            for (std::size_t i = 0; i < sector_ / 4; ++i) {
                fat_.push_back(SectorField(*sec, 4 * i));
            }
        }
        Result<std::string> dir =
            Chain(fat_, SectorField(f_, kFirstDirectorySector), SIZE_MAX, false);
        if (!dir) {
            return dir.error();
        }
        directory_ = std::move(dir).value();
        if (directory_.size() < kEntryBytes ||
            static_cast<unsigned char>(directory_[kEntryType]) != kRootEntry) {
            return Damaged("אין תיקיית שורש");
        }
        cutoff_ = SectorField(f_, kMiniStreamCutoff);
        return Ok();
    }

    // Every stream of the document, named by its path ("VBA/dir" inside the storage VBA).
    Result<std::vector<std::pair<std::u16string, std::string>>> AllStreams() {
        std::vector<std::pair<std::u16string, std::string>> out;
        const std::size_t entries = directory_.size() / kEntryBytes;
        std::vector<bool> seen(entries, false);
        std::vector<std::pair<std::uint32_t, std::u16string>> todo = {
            {SectorField(directory_, kEntryChild), u""}};
        while (!todo.empty()) {
            auto [id, prefix] = std::move(todo.back());
            todo.pop_back();
            if (id == kFreeSector) {
                continue;
            }
            if (id >= entries || seen[id]) {
                return Damaged("תיקיית המסמך פגומה");
            }
            seen[id] = true;
            std::string_view e(directory_.data() + std::size_t{id} * kEntryBytes, kEntryBytes);
            const auto type = static_cast<unsigned char>(e[kEntryType]);
            const std::uint16_t bytes = U16(e, kEntryNameBytes);
            std::u16string name = prefix;
            for (std::size_t i = 0; i + 2 < bytes && i < 62; i += 2) {
                name.push_back(static_cast<char16_t>(U16(e, i)));
            }
            todo.emplace_back(SectorField(e, kEntryLeft), prefix);
            todo.emplace_back(SectorField(e, kEntryRight), prefix);
            if (type == kStorageEntry) {
                todo.emplace_back(SectorField(e, kEntryChild), name + u"/");
            } else if (type == kStreamEntry) {
                const std::uint32_t size = SectorField(e, kEntrySize);
                Result<std::string> data =
                    size < cutoff_ ? MiniStream(SectorField(e, kEntryStart), size)
                                   : Chain(fat_, SectorField(e, kEntryStart), size, false);
                if (!data) {
                    return data.error();
                }
                out.emplace_back(std::move(name), std::move(data).value());
            }
        }
        return out;
    }

    Result<std::string> Stream(std::u16string_view name) {
        for (std::size_t at = 0; at + kEntryBytes <= directory_.size(); at += kEntryBytes) {
            std::string_view e(directory_.data() + at, kEntryBytes);
            const std::uint16_t bytes = U16(e, kEntryNameBytes);
            if (static_cast<unsigned char>(e[kEntryType]) != kStreamEntry || bytes < 2 ||
                bytes > 64) {
                continue;
            }
            std::u16string entry;
            for (std::size_t i = 0; i + 2 < bytes; i += 2) {
                entry.push_back(static_cast<char16_t>(U16(e, i)));
            }
            if (entry != name) {
                continue;
            }
            const std::uint32_t start = SectorField(e, kEntryStart);
            const std::uint32_t size = SectorField(e, kEntrySize);
            if (size < cutoff_) {
                return MiniStream(start, size);
            }
            return Chain(fat_, start, size, false);
        }
        return Damaged("אין בו זרם של חוברת");
    }

  private:
    std::optional<std::string_view> Sector(std::uint32_t s) const {
        const std::size_t at = kHeaderBytes + static_cast<std::size_t>(s) * sector_;
        if (s >= sectors_ || at + sector_ > f_.size()) {
            return std::nullopt;
        }
        return f_.substr(at, sector_);
    }

    // The sectors of a chain, in order, cut to `size`; a chain that loops or leaves the file is
    // refused, and so is one shorter than the size it claims.
    Result<std::string> Chain(const std::vector<std::uint32_t>& table, std::uint32_t start,
                              std::size_t size, bool mini) {
        std::string out;
        std::vector<bool> seen(table.size(), false);
        for (std::uint32_t s = start; s != kEndOfChain; s = table[s]) {
            if (s >= table.size() || seen[s]) {
                return Damaged("שרשרת מגזרים פגומה או מעגלית");
            }
            seen[s] = true;
            if (mini) {
                const std::size_t at = static_cast<std::size_t>(s) * 64;
                if (at + 64 > mini_stream_.size()) {
                    return Damaged("מגזר קטן מחוץ לזרם");
                }
                out.append(mini_stream_, at, 64);
            } else {
                std::optional<std::string_view> sec = Sector(s);
                if (!sec) {
                    return Damaged("מגזר מחוץ לקובץ");
                }
                out.append(*sec);
            }
            if (out.size() >= size) {
                break;
            }
            if (out.size() > (256u << 20)) {
                return Damaged("זרם גדול מדי");
            }
        }
        if (size != SIZE_MAX) {
            if (out.size() < size) {
                return Damaged("זרם ארוך מהשרשרת שלו");
            }
            out.resize(size);
        }
        return out;
    }

    Result<std::string> MiniStream(std::uint32_t start, std::uint32_t size) {
        if (mini_fat_.empty()) {
            Result<std::string> table =
                Chain(fat_, SectorField(f_, kFirstMiniFatSector), SIZE_MAX, false);
            if (!table) {
                return table.error();
            }
            for (std::size_t i = 0; i + 4 <= table.value().size(); i += 4) {
                mini_fat_.push_back(SectorField(table.value(), i));
            }
            std::string_view root(directory_.data(), kEntryBytes);
            Result<std::string> stream =
                Chain(fat_, SectorField(root, kEntryStart), SectorField(root, kEntrySize), false);
            if (!stream) {
                return stream.error();
            }
            mini_stream_ = std::move(stream).value();
        }
        return Chain(mini_fat_, start, size, true);
    }

    std::string_view f_;
    std::size_t sector_ = 512;
    std::size_t sectors_ = 0;
    std::uint32_t cutoff_ = 4096;
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> mini_fat_;
    std::string directory_;
    std::string mini_stream_;
};

}  // namespace

Result<std::string> CompoundStream(std::string_view file, std::u16string_view name) {
    Compound c(file);
    ZIVRON_TRY(c.Load());
    return c.Stream(name);
}

Result<std::vector<std::pair<std::u16string, std::string>>> CompoundStreams(std::string_view file) {
    Compound c(file);
    ZIVRON_TRY(c.Load());
    return c.AllStreams();
}

}  // namespace zivron::sheet
