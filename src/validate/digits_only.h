#pragma once

#include <string>
#include <string_view>

namespace zivron {

// The digits of a cell's text, in order; every other character removed.
std::string DigitsOnly(std::string_view value);

// A number cell: its decimal text (15 significant digits), then the digits of it.
std::string DigitsOnly(double value);

}  // namespace zivron
