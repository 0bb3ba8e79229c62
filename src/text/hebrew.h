#pragma once
// Windows-1255, the program's single-byte code page, and the old Hebrew code of bank files.
// Texts inside the program are UTF-8; a "byte text" holds one Windows-1255 byte a character.

#include <string>
#include <string_view>

namespace zivron {

// UTF-8 to Windows-1255 bytes; a character the code page lacks (or a malformed UTF-8 sequence)
// becomes "?".
std::string ToWindows1255(std::string_view utf8);

// Windows-1255 bytes to UTF-8. Every byte has a character, so decode then encode gives the bytes
// back.
std::string FromWindows1255(std::string_view bytes);

// Windows-1255 bytes to the old code, reversed: bytes 224 and up move down by 96.
std::string ToOldCodeReversed(std::string_view cp1255);

// A UTF-8 name to the old code, reversed: Windows-1255 bytes 224 and up move down by 96 (the
// letters to 128..154), the rest stay. The result is a byte text.
std::string ToOldHebrewCode(std::string_view text);

// A name of a Michpal payroll export (a byte text) to UTF-8 Hebrew: reversed, then each byte
// mapped.
std::string PayrollNameToHebrew(std::string_view text);

}  // namespace zivron
