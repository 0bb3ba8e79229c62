#pragma once
// Reading a Masav file and a Michpal payroll export (both in the Masav record layout) as text in
// the single-byte code page: lines split at LF, fields by their record positions.

#include <array>
#include <string>
#include <vector>

namespace zivron {

// The name field (positions 46..61 of each stripped detail line) of every detail record, in file
// order: the lines between the header and the last two (trailer and end line); a last line
// break adds no line. Byte texts, as the file holds them.
std::vector<std::string> MasavNames(const std::string& file);

// One payee of a Michpal export: name (UTF-8 Hebrew), identity number, bank, branch, account
// and the amount as "shekels.agorot".
using MichpalRow = std::array<std::string, 6>;

// The payees up to the first whose converted name is "sof" or holds "@@@" (the trailer's digits
// convert to "@"), at most `limit`.
std::vector<MichpalRow> MichpalRows(const std::string& file, std::size_t limit);

}  // namespace zivron
