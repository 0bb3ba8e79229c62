#include "platform/spreadsheet/xls_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/utf8.h"

namespace zivron::sheet {
namespace {

void Put16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void Record(std::string& out, std::uint16_t type, const std::string& data) {
    Put16(out, type);
    Put16(out, static_cast<std::uint32_t>(data.size()));
    out += data;
}

void PutChars(std::string& out, const std::u16string& s) {
    out.push_back(1);  // fHighByte: two bytes a character
    for (char16_t c : s) {
        Put16(out, c);
    }
}

std::string Bof(std::uint16_t kind) {
    std::string d;
    Put16(d, 0x0600);
    Put16(d, kind);
    Put16(d, 0x0DBB);
    Put16(d, 0x07CC);
    Put32(d, 0);
    Put32(d, 0x06);
    return d;
}

std::string Xf(bool style, std::uint8_t fill_index) {
    std::string d;
    Put16(d, 0);                        // font
    Put16(d, 0);                        // number format: General
    Put16(d, style ? 0xFFF5 : 0x0001);  // locked; a style, or a cell of style 0
    d.push_back(0x20);                  // aligned to the bottom
    d.push_back(0);
    d.push_back(0);
    d.push_back(fill_index != 0 ? 0x40 : 0);     // the pattern is the cell's own
    Put32(d, 0);                                 // no borders
    Put32(d, fill_index != 0 ? (1u << 26) : 0);  // solid
    Put16(d, (0x41u << 7) | (fill_index != 0 ? fill_index : 0x40u));
    return d;
}

}  // namespace

Result<std::string> WriteXls(const std::vector<XlsSheet>& sheets, std::size_t active) {
    // The colours of every fill, each a palette entry from index 8.
    std::vector<Rgb> palette;
    for (const XlsSheet& s : sheets) {
        for (const auto& [at, c] : s.fills) {
            if (std::find(palette.begin(), palette.end(), c) == palette.end()) {
                palette.push_back(c);
            }
        }
    }
    if (palette.size() > 56) {
        return Error{ErrorCode::Unsupported, "לחוברת xls יותר מ־56 צבעי מילוי"};
    }
    auto xf_of = [&](const XlsSheet& s, std::pair<int, int> at) -> std::uint16_t {
        auto f = s.fills.find(at);
        if (f == s.fills.end()) {
            return 15;
        }
        return static_cast<std::uint16_t>(
            16 + (std::find(palette.begin(), palette.end(), f->second) - palette.begin()));
    };

    std::vector<std::string> bodies;
    for (const XlsSheet& s : sheets) {
        std::map<std::pair<int, int>, bool> at_all;
        for (const auto& [at, v] : s.cells) {
            // An empty text is an empty cell, as a spreadsheet stores it.
            if (v.kind != CellKind::Empty && !(v.kind == CellKind::Text && v.text.empty())) {
                at_all[at] = true;
            }
        }
        for (const auto& [at, c] : s.fills) {
            at_all[at] = true;
        }
        int last_row = 0;
        int last_col = 0;
        for (const auto& [at, _] : at_all) {
            if (at.first < 1 || at.first > kXlsMaxRows || at.second < 1 ||
                at.second > kXlsMaxCols) {
                return Error{ErrorCode::Unsupported,
                             "התא " + CellName(at.first, at.second) + " מחוץ לגבולות גיליון xls"};
            }
            last_row = std::max(last_row, at.first);
            last_col = std::max(last_col, at.second);
        }
        std::string b;
        Record(b, 0x0809, Bof(0x0010));
        std::string dim;
        Put32(dim, 0);
        Put32(dim, static_cast<std::uint32_t>(last_row));
        Put16(dim, 0);
        Put16(dim, static_cast<std::uint32_t>(last_col));
        Put16(dim, 0);
        Record(b, 0x0200, dim);
        std::string win;
        // Only the active sheet is selected and shown.
        const bool shown = &s == &sheets[std::min(active, sheets.size() - 1)];
        Put16(win, (s.right_to_left ? 0x00F6 : 0x00B6) | (shown ? 0x0600 : 0));
        Put16(win, 0);
        Put16(win, 0);
        Put32(win, 0x40);
        Put16(win, 0);
        Put16(win, 0);
        Put32(win, 0);
        Record(b, 0x023E, win);
        for (const auto& [at, _] : at_all) {
            std::string d;
            Put16(d, static_cast<std::uint32_t>(at.first - 1));
            Put16(d, static_cast<std::uint32_t>(at.second - 1));
            Put16(d, xf_of(s, at));
            auto cell = s.cells.find(at);
            if (cell == s.cells.end() || cell->second.kind == CellKind::Empty ||
                (cell->second.kind == CellKind::Text && cell->second.text.empty())) {
                Record(b, 0x0201, d);  // BLANK: a fill without a value
            } else if (cell->second.kind == CellKind::Number ||
                       cell->second.kind == CellKind::Boolean) {
                double v = cell->second.number;
                char raw[8];
                std::memcpy(raw, &v, 8);
                d.append(raw, 8);
                Record(b, 0x0203, d);
            } else {
                std::u16string text = utf8::ToUtf16(CellText(cell->second));
                if (text.size() > 255) {
                    return Error{ErrorCode::Unsupported,
                                 "הטקסט בתא " + CellName(at.first, at.second) +
                                     " ארוך מדי לקובץ xls (יותר מ־255 תווים)"};
                }
                Put16(d, static_cast<std::uint32_t>(text.size()));
                PutChars(d, text);
                Record(b, 0x0204, d);
            }
        }
        Record(b, 0x000A, "");
        bodies.push_back(std::move(b));
    }

    // The globals, first without the sheets' offsets, which depend on the globals' own length.
    auto globals = [&](const std::vector<std::uint32_t>& offsets) {
        std::string g;
        Record(g, 0x0809, Bof(0x0005));
        std::string cp;
        Put16(cp, 1200);
        Record(g, 0x0042, cp);
        std::string w1;
        Put16(w1, 0);
        Put16(w1, 0);
        Put16(w1, 0x4000);
        Put16(w1, 0x2000);
        Put16(w1, 0x0038);
        Put16(w1, static_cast<std::uint32_t>(std::min(active, sheets.size() - 1)));  // itabCur
        Put16(w1, 0);
        Put16(w1, 1);
        Put16(w1, 0x0258);
        Record(g, 0x003D, w1);
        for (int i = 0; i < 4; ++i) {
            std::string f;
            Put16(f, 200);
            Put16(f, 0);
            Put16(f, 0x7FFF);
            Put16(f, 400);
            Put16(f, 0);
            f.push_back(0);
            f.push_back(0);
            f.push_back(0);
            f.push_back(0);
            std::u16string name = u"Arial";
            f.push_back(static_cast<char>(name.size()));
            PutChars(f, name);
            Record(g, 0x0031, f);
        }
        for (int i = 0; i < 15; ++i) {
            Record(g, 0x00E0, Xf(true, 0));
        }
        Record(g, 0x00E0, Xf(false, 0));
        for (std::size_t i = 0; i < palette.size(); ++i) {
            Record(g, 0x00E0, Xf(false, static_cast<std::uint8_t>(8 + i)));
        }
        std::string style;
        Put16(style, 0x8000);
        style.push_back(0);
        style.push_back(static_cast<char>(0xFF));
        Record(g, 0x0293, style);
        if (!palette.empty()) {
            std::string p;
            Put16(p, 56);
            for (int i = 0; i < 56; ++i) {
                Rgb c = i < static_cast<int>(palette.size()) ? palette[i] : Rgb{0, 0, 0};
                p.push_back(static_cast<char>(c.red));
                p.push_back(static_cast<char>(c.green));
                p.push_back(static_cast<char>(c.blue));
                p.push_back(0);
            }
            Record(g, 0x0092, p);
        }
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            std::string bs;
            Put32(bs, offsets.empty() ? 0 : offsets[i]);
            bs.push_back(0);
            bs.push_back(0);
            std::u16string name = utf8::ToUtf16(
                sheets[i].name.empty() ? "Sheet" + std::to_string(i + 1) : sheets[i].name);
            name.resize(std::min<std::size_t>(name.size(), 31));
            bs.push_back(static_cast<char>(name.size()));
            PutChars(bs, name);
            Record(g, 0x0085, bs);
        }
        Record(g, 0x000A, "");
        return g;
    };
    std::string first = globals({});
    std::vector<std::uint32_t> offsets;
    std::uint32_t at = static_cast<std::uint32_t>(first.size());
    for (const std::string& b : bodies) {
        offsets.push_back(at);
        at += static_cast<std::uint32_t>(b.size());
    }
    std::string stream = globals(offsets);
    for (const std::string& b : bodies) {
        stream += b;
    }
    return CompoundFile(stream);
}

std::string CompoundOf(std::vector<std::pair<std::u16string, std::string>> streams) {
    constexpr std::uint32_t kSector = 512;
    constexpr std::uint32_t kFree = 0xFFFFFFFF, kEnd = 0xFFFFFFFE, kFatSect = 0xFFFFFFFD;
    auto upper = [](std::u16string s) {
        for (char16_t& c : s) {
            if (c >= u'a' && c <= u'z') {
                c = static_cast<char16_t>(c - 32);
            }
        }
        return s;
    };
    std::sort(streams.begin(), streams.end(), [&](const auto& a, const auto& b) {
        return a.first.size() != b.first.size() ? a.first.size() < b.first.size()
                                                : upper(a.first) < upper(b.first);
    });
    std::string data;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> placed;  // start sector, size
    for (auto& [name, bytes] : streams) {
        if (bytes.size() < 4096) {
            bytes.resize(4096, '\0');
        }
        placed.emplace_back(static_cast<std::uint32_t>(data.size() / kSector),
                            static_cast<std::uint32_t>(bytes.size()));
        data += bytes;
        data.resize((data.size() + kSector - 1) / kSector * kSector, '\0');
    }
    const auto data_sectors = static_cast<std::uint32_t>(data.size() / kSector);
    std::string dir;
    auto entry = [&](const std::u16string& name, std::uint8_t type, std::uint32_t right,
                     std::uint32_t child, std::uint32_t start, std::uint32_t size) {
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
        e.append(16, '\0');
        Put32(e, 0);
        e.append(16, '\0');
        Put32(e, start);
        Put32(e, size);
        Put32(e, 0);
        dir += e;
    };
    entry(u"Root Entry", 5, kFree, streams.empty() ? kFree : 1, kEnd, 0);
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const std::uint32_t right =
            i + 1 < streams.size() ? static_cast<std::uint32_t>(i + 2) : kFree;
        entry(streams[i].first, 2, right, kFree, placed[i].first, placed[i].second);
    }
    while (dir.size() % kSector != 0) {
        entry(u"", 0, kFree, kFree, 0, 0);
    }
    const auto dir_sectors = static_cast<std::uint32_t>(dir.size() / kSector);
    std::uint32_t fat_sectors = 1;
    while (fat_sectors * 128 < data_sectors + dir_sectors + fat_sectors) {
        ++fat_sectors;
    }
    std::vector<std::uint32_t> fat(fat_sectors * 128, kFree);
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const std::uint32_t first = placed[i].first;
        const std::uint32_t count = (placed[i].second + kSector - 1) / kSector;
        for (std::uint32_t k = 0; k < count; ++k) {
            fat[first + k] = k + 1 < count ? first + k + 1 : kEnd;
        }
    }
    for (std::uint32_t k = 0; k < dir_sectors; ++k) {
        fat[data_sectors + k] = k + 1 < dir_sectors ? data_sectors + k + 1 : kEnd;
    }
    for (std::uint32_t k = 0; k < fat_sectors; ++k) {
        fat[data_sectors + dir_sectors + k] = kFatSect;
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
    Put32(header, data_sectors);
    Put32(header, 0);
    Put32(header, 0x1000);
    Put32(header, kEnd);
    Put32(header, 0);
    Put32(header, kEnd);
    Put32(header, 0);
    for (std::uint32_t i = 0; i < 109; ++i) {
        Put32(header, i < fat_sectors ? data_sectors + dir_sectors + i : kFree);
    }
    std::string fat_bytes;
    for (std::uint32_t v : fat) {
        Put32(fat_bytes, v);
    }
    return header + data + dir + fat_bytes;
}

std::string CompoundFile(const std::string& workbook_stream) {
    return CompoundOf({{u"Workbook", workbook_stream}});
}

}  // namespace zivron::sheet
