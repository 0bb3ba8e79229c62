#pragma once
// The fills the import marks cells with, one for each pass; the window shows them as the legend
// of its options and summary.

#include "spreadsheet/cell.h"

namespace zivron {

inline constexpr sheet::Rgb kTypingFixColour{128, 255, 255};
inline constexpr sheet::Rgb kInvalidAccountColour{255, 128, 128};
inline constexpr sheet::Rgb kInvalidIdColour{255, 255, 0};
// A branch to look at again (closed, or not in the Bank of Israel's list): lighter than the
// others, as it refuses nothing.
inline constexpr sheet::Rgb kBranchWarningColour{255, 230, 204};

}  // namespace zivron
