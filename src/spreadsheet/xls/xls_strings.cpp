#include "spreadsheet/xls/xls_strings.h"

#include <algorithm>

#include "core/utf8.h"
#include "spreadsheet/xls/xls_records.h"

namespace zivron::sheet {

using biff::Put16;
using biff::Put32;
using biff::U16;

bool Pieces::Bytes(std::size_t n, std::string* out) {
    while (n > 0) {
        if (!Next()) {
            return false;
        }
        const std::size_t take = std::min(n, pieces_[i_].size() - at_);
        if (out != nullptr) {
            out->append(pieces_[i_].substr(at_, take));
        }
        at_ += take;
        n -= take;
    }
    return true;
}

std::optional<std::uint32_t> Pieces::Number(std::size_t width) {
    std::string b;
    if (!Bytes(width, &b)) {
        return std::nullopt;
    }
    std::uint32_t v = 0;
    for (std::size_t k = width; k-- > 0;) {
        v = (v << 8) | static_cast<unsigned char>(b[k]);
    }
    return v;
}

bool Pieces::Chars(std::size_t count, bool wide, std::string& out) {
    std::u16string units;
    while (units.size() < count) {
        if (at_ == pieces_[i_].size()) {
            if (i_ + 1 >= pieces_.size() || pieces_[i_ + 1].empty()) {
                return false;
            }
            ++i_;
            at_ = 0;
            wide = (static_cast<unsigned char>(pieces_[i_][at_++]) & 1) != 0;
        }
        const std::size_t width = wide ? 2 : 1;
        while (units.size() < count && at_ + width <= pieces_[i_].size()) {
            units.push_back(wide ? U16(pieces_[i_], at_)
                                 : static_cast<unsigned char>(pieces_[i_][at_]));
            at_ += width;
        }
        if (units.size() < count && at_ != pieces_[i_].size()) {
            return false;  // half a character at the end of a piece
        }
    }
    for (std::size_t k = 0; k < units.size(); ++k) {
        char32_t cp = units[k];
        if (cp >= 0xD800 && cp < 0xDC00 && k + 1 < units.size() && units[k + 1] >= 0xDC00 &&
            units[k + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++k] - 0xDC00);
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = utf8::kReplacement;
        }
        utf8::Append(out, cp);
    }
    return true;
}

std::optional<std::string> Pieces::Text(std::size_t length_width, bool rich_allowed,
                                        bool* formatted) {
    std::optional<std::uint32_t> cch = Number(length_width);
    std::optional<std::uint32_t> flags = Number(1);
    if (!cch || !flags) {
        return std::nullopt;
    }
    std::uint32_t runs = 0;
    std::uint32_t ext = 0;
    if (rich_allowed && (*flags & 0x08) != 0) {
        std::optional<std::uint32_t> r = Number(2);
        if (!r) {
            return std::nullopt;
        }
        runs = *r;
    }
    if (rich_allowed && (*flags & 0x04) != 0) {
        std::optional<std::uint32_t> e = Number(4);
        if (!e) {
            return std::nullopt;
        }
        ext = *e;
    }
    if (formatted != nullptr) {
        *formatted = runs != 0 || ext != 0;
    }
    std::string out;
    if (!Chars(*cch, (*flags & 0x01) != 0, out) || !Bytes(4 * std::size_t{runs}, nullptr) ||
        !Bytes(ext, nullptr)) {
        return std::nullopt;
    }
    return out;
}

std::pair<std::size_t, std::size_t> Pieces::Position() const {
    if (i_ + 1 < pieces_.size() && at_ == pieces_[i_].size()) {
        return {i_ + 1, 0};
    }
    return {i_, at_};
}

bool Pieces::Next() {
    while (i_ < pieces_.size() && at_ == pieces_[i_].size()) {
        if (i_ + 1 >= pieces_.size()) {
            return false;
        }
        ++i_;
        at_ = 0;
    }
    return i_ < pieces_.size();
}

SstBuilder::SstBuilder() : bodies_{std::string(8, '\0')} {}

std::optional<SharedStrings> ReadSharedStrings(const std::vector<std::string_view>& records) {
    if (records.empty() || records[0].size() < 8) {
        return std::nullopt;
    }
    const std::uint32_t count = biff::U32(records[0], 4);
    std::vector<std::string_view> pieces(records.begin(), records.end());
    pieces[0] = pieces[0].substr(8);
    Pieces p(pieces);
    // Positions in the first record count its two counts, as the record's data holds them.
    auto at = [&p] {
        auto [record, offset] = p.Position();
        return std::make_pair(record, record == 0 ? offset + 8 : offset);
    };
    SharedStrings out;
    const std::size_t expected = std::min<std::size_t>(count, 1u << 20);
    out.texts.reserve(expected);
    out.starts.reserve(expected);
    for (std::uint32_t i = 0; i < count; ++i) {
        out.starts.push_back(at());
        bool formatted = false;
        std::optional<std::string> text = p.Text(2, true, &formatted);
        if (!text) {
            return std::nullopt;
        }
        out.texts.push_back(std::move(*text));
        out.formatted.push_back(formatted);
    }
    out.end = at();
    return out;
}

Result<SstBuilder> SstBuilder::From(const std::vector<std::string_view>& records) {
    std::optional<SharedStrings> strings = ReadSharedStrings(records);
    if (!strings) {
        return Error{ErrorCode::BadInput, "ברשימת הטקסטים פחות טקסטים מכפי שנמנו"};
    }
    SstBuilder b;
    b.bodies_.assign(records.begin(), records.end());
    b.total_ = biff::U32(records[0], 0);
    b.starts_ = std::move(strings->starts);
    for (std::size_t i = 0; i < strings->texts.size(); ++i) {
        if (!strings->formatted[i]) {
            b.index_.emplace(std::move(strings->texts[i]), static_cast<std::uint32_t>(i));
        }
    }
    // Bytes after the last string it counts are no string of it: strings added go after those
    // it has, where a reader looks for them.
    const auto [record, offset] = strings->end;
    if (record < b.bodies_.size()) {
        b.bodies_[record].resize(offset);
        b.bodies_.resize(record + 1);
        if (record > 0 && b.bodies_.back().empty()) {
            b.bodies_.pop_back();
        }
    }
    return b;
}

Result<std::uint32_t> SstBuilder::Add(std::string_view utf8) {
    if (auto it = index_.find(std::string(utf8)); it != index_.end()) {
        return it->second;
    }
    const std::u16string units = utf8::ToUtf16(utf8);
    if (units.size() > 32767) {
        return Error{ErrorCode::Unsupported, "טקסט ארוך מ־32,767 תווים"};
    }
    const bool wide = std::any_of(units.begin(), units.end(), [](char16_t u) { return u > 0xFF; });
    const std::size_t width = wide ? 2 : 1;
    // A string goes on right after the one before, as Excel writes them: readers made to its
    // layout look for the next string where the last ended, and in a CONTINUE record only when
    // the last filled its record. The length and flags stay in one record with at least the
    // first character.
    if (bodies_.back().size() + 3 + (units.empty() ? 0 : width) > biff::kMaxRecordData) {
        bodies_.emplace_back();
    }
    starts_.emplace_back(bodies_.size() - 1, bodies_.back().size());
    Put16(bodies_.back(), static_cast<std::uint32_t>(units.size()));
    bodies_.back().push_back(wide ? 1 : 0);
    for (std::size_t done = 0; done < units.size();) {
        if (bodies_.back().size() + width > biff::kMaxRecordData) {
            bodies_.emplace_back(1, wide ? '\1' : '\0');  // the characters go on, their width first
        }
        const std::size_t room = (biff::kMaxRecordData - bodies_.back().size()) / width;
        const std::size_t take = std::min(room, units.size() - done);
        for (std::size_t k = done; k < done + take; ++k) {
            if (wide) {
                Put16(bodies_.back(), units[k]);
            } else {
                bodies_.back().push_back(static_cast<char>(units[k]));
            }
        }
        done += take;
    }
    const auto index = static_cast<std::uint32_t>(starts_.size() - 1);
    index_.emplace(std::string(utf8), index);
    return index;
}

std::string SstBuilder::Records(std::size_t stream_at) const {
    std::string out;
    std::vector<std::size_t> record_at;
    for (std::size_t i = 0; i < bodies_.size(); ++i) {
        record_at.push_back(stream_at + out.size());
        biff::Rec r{static_cast<std::uint16_t>(i == 0 ? biff::kSst : biff::kContinue), bodies_[i]};
        if (i == 0) {
            biff::Set32(r.data, 0, total_);
            biff::Set32(r.data, 4, static_cast<std::uint32_t>(starts_.size()));
        }
        biff::Append(out, r);
    }
    // EXTSST: where every so many strings begin, in at most 128 buckets.
    const std::size_t per = std::max<std::size_t>(8, (starts_.size() + 127) / 128);
    biff::Rec ext{biff::kExtSst, {}};
    Put16(ext.data, static_cast<std::uint32_t>(per));
    for (std::size_t k = 0; k < starts_.size(); k += per) {
        const auto [record, offset] = starts_[k];
        Put32(ext.data, static_cast<std::uint32_t>(record_at[record] + 4 + offset));
        Put16(ext.data, static_cast<std::uint32_t>(4 + offset));
        Put16(ext.data, 0);
    }
    biff::Append(out, ext);
    return out;
}

}  // namespace zivron::sheet
