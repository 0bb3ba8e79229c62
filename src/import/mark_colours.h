#pragma once
// The fills the import marks cells with, one for each pass; the window shows them as the legend
// of its options and summary.

#include "spreadsheet/cell.h"

namespace zivron {

inline constexpr sheet::Rgb kTypingFixColour{128, 255, 255};
inline constexpr sheet::Rgb kInvalidAccountColour{255, 128, 128};
inline constexpr sheet::Rgb kInvalidIdColour{255, 255, 0};

}  // namespace zivron
