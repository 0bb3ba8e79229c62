#include "text/hebrew.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>

#include "core/utf8.h"
#include "text/shaping.h"

namespace zivron {
namespace {

// Characters of bytes 128..255. Bytes the code page leaves undefined decode to U+0080..U+009F for
// the C1 range and to private-use U+F7xx above it, so that no real character claims them.
constexpr std::array<char32_t, 128> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x008A, 0x2039,
    0x008C, 0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x009A, 0x203A, 0x009C, 0x009D, 0x009E, 0x009F, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
    0x20AA, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00D7, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00F7, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x05B0, 0x05B1, 0x05B2, 0x05B3, 0x05B4, 0x05B5, 0x05B6, 0x05B7,
    0x05B8, 0x05B9, 0x05BA, 0x05BB, 0x05BC, 0x05BD, 0x05BE, 0x05BF, 0x05C0, 0x05C1, 0x05C2, 0x05C3,
    0x05F0, 0x05F1, 0x05F2, 0x05F3, 0x05F4, 0xF7D9, 0xF7DA, 0xF7DB, 0xF7DC, 0xF7DD, 0xF7DE, 0xF7DF,
    0x05D0, 0x05D1, 0x05D2, 0x05D3, 0x05D4, 0x05D5, 0x05D6, 0x05D7, 0x05D8, 0x05D9, 0x05DA, 0x05DB,
    0x05DC, 0x05DD, 0x05DE, 0x05DF, 0x05E0, 0x05E1, 0x05E2, 0x05E3, 0x05E4, 0x05E5, 0x05E6, 0x05E7,
    0x05E8, 0x05E9, 0x05EA, 0xF7FB, 0xF7FC, 0x200E, 0x200F, 0xF7FF,
};

const std::unordered_map<char32_t, unsigned char>& EncodeTable() {
    static const auto table = [] {
        std::unordered_map<char32_t, unsigned char> t;
        for (std::size_t i = 0; i < kHigh.size(); ++i) {
            t[kHigh[i]] = static_cast<unsigned char>(128 + i);
        }
        return t;
    }();
    return table;
}

}  // namespace

std::string ToWindows1255(std::string_view text) {
    // Digits and Latin texts, most of what a Masav file holds, are the same bytes.
    if (std::all_of(text.begin(), text.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return std::string(text);
    }
    // Written in place: no character takes more bytes in the code page than in UTF-8.
    std::string out(text.size(), '\0');
    char* at = out.data();
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            *at++ = text[i++];
            continue;
        }
        // The letters, most of every Hebrew text, are D7 90 to D7 AA.
        if (lead == 0xD7 && i + 1 < text.size()) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next >= 0x90 && next <= 0xAA) {
                *at++ = static_cast<char>(0xE0 + (next - 0x90));
                i += 2;
                continue;
            }
        }
        const char32_t cp = utf8::Next(text, i);
        const auto& table = EncodeTable();
        auto it = table.find(cp);
        *at++ = it == table.end() ? '?' : static_cast<char>(it->second);
    }
    out.resize(static_cast<std::size_t>(at - out.data()));
    return out;
}

std::string FromWindows1255(std::string_view bytes) {
    // Every byte's UTF-8 formed once: a name read back from a Masav file is a copy per byte.
    struct Utf8Of {
        std::array<char, 3> bytes{};
        unsigned char size = 0;
    };
    static const std::array<Utf8Of, 256> kUtf8 = [] {
        std::array<Utf8Of, 256> t{};
        for (unsigned b = 0; b < 256; ++b) {
            std::string one;
            utf8::Append(one, b < 0x80 ? char32_t{b} : kHigh[b - 0x80]);
            std::copy(one.begin(), one.end(), t[b].bytes.begin());
            t[b].size = static_cast<unsigned char>(one.size());
        }
        return t;
    }();
    std::string out(bytes.size() * 3, '\0');
    char* at = out.data();
    for (char c : bytes) {
        const Utf8Of& u = kUtf8[static_cast<unsigned char>(c)];
        at[0] = u.bytes[0];  // three stores, not a call to copy a few bytes
        at[1] = u.bytes[1];
        at[2] = u.bytes[2];
        at += u.size;
    }
    out.resize(static_cast<std::size_t>(at - out.data()));
    return out;
}

std::string ToOldCodeReversed(std::string_view cp1255) {
    std::string bytes(cp1255);
    for (char& c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (b >= 224) {
            c = static_cast<char>(b - 96);
        }
    }
    return Reversed(bytes);
}

std::string ToOldHebrewCode(std::string_view text) {
    return ToOldCodeReversed(ToWindows1255(text));
}

std::string PayrollNameToHebrew(std::string_view text) {
    // Replacements for the Latin letters "a".."z" (a gap where a letter has none).
    static constexpr const char* kLetters[26] = {
        "ב", "ג", "ד", "ה", "ו", "ז", "ח",     "ט", "י", "כ", nullptr, "ל", nullptr,
        "מ", "ם", "נ", "ס", "ע", "פ", nullptr, "צ", "ץ", "ק", "ר",     "ש", "ת",
    };
    std::string out;
    for (char c : Reversed(text)) {
        auto b = static_cast<unsigned char>(c);
        if (b == ' ') {
            out.push_back(' ');
        } else if (b == '0' || b == '1' || b == '4') {
            out.push_back('@');
        } else if (b >= 224 && b <= 250) {
            out.push_back('-');
        } else if (b == '&') {
            out += "א";
        } else if (b >= 'a' && b <= 'z' && kLetters[b - 'a'] != nullptr) {
            out += kLetters[b - 'a'];
        } else {
            out += std::to_string(b);
        }
    }
    return out;
}

}  // namespace zivron
