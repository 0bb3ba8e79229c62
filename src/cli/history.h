#pragma once
// zivron-cli history: the payee history kept for the guard, filled from summary workbooks, shown
// for one payee, or erased.

#include <ostream>
#include <string>
#include <vector>

namespace zivron::cli {

// 0 done, 1 refused (its message on stderr), 2 bad arguments.
int History(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zivron::cli
