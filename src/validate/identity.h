#pragma once

#include <string_view>

namespace zivron {

// Whether an Israeli identity number is valid: digits only (any length, leading zeros neither help
// nor harm), check digit by the alternating 1-2 weighting from the right with digit folding.
// "x", the empty text and anything that is not all digits are invalid.
bool IsValidIdentityNumber(std::string_view str);

}  // namespace zivron
