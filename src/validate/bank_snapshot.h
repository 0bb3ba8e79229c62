#pragma once
// The bank and branch lists of the project's data folder (data/banks), built into the program.

#include <string_view>

namespace zivron::banks {

extern const std::string_view kShippedBanks;
extern const std::string_view kShippedBranches;

}  // namespace zivron::banks
