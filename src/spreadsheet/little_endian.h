#pragma once
// Little-endian fields of the binary formats the layer reads and writes: zip headers, compound
// documents, BIFF8 records.

#include <cstdint>
#include <string>
#include <string_view>

namespace zivron::sheet::le {

// Fields read past the end read as zero: a short record never reads outside its bytes.
inline std::uint16_t U16(std::string_view s, std::size_t at) {
    return at + 2 > s.size()
               ? 0
               : static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) |
                                            static_cast<unsigned char>(s[at + 1]) << 8);
}
inline std::uint32_t U32(std::string_view s, std::size_t at) {
    return static_cast<std::uint32_t>(U16(s, at)) | static_cast<std::uint32_t>(U16(s, at + 2))
                                                        << 16;
}
inline void Put16(std::string& s, std::uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
inline void Set16(std::string& s, std::size_t at, std::uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void Set32(std::string& s, std::size_t at, std::uint32_t v) {
    Set16(s, at, v & 0xFFFF);
    Set16(s, at + 2, v >> 16);
}

}  // namespace zivron::sheet::le
