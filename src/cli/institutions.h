#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zivron::cli {

// zivron-cli institutions --email E --password P: logs in as the login window does and prints
// each institution of the account, tab-separated: name, number, credit institution code, credit
// software code, collection Masav code, collection software code.
int Institutions(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zivron::cli
