#pragma once
// zivron-cli: the program's jobs without a window, for scripts and checks.

#include <ostream>
#include <string>
#include <vector>

namespace zivron::cli {

// Exit codes: 0 done / valid, 1 invalid or the job failed, 2 bad arguments.
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zivron::cli
