#pragma once
// zivron-cli banks [BANK [BRANCH]]: the banks and branches as the program knows them, with
// their names, merges and closings.

#include <ostream>
#include <string>
#include <vector>

namespace zivron::cli {

// 0 shown, 1 a code the lists do not hold, 2 bad arguments.
int Banks(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zivron::cli
