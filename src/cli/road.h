#pragma once
// zivron-cli credit / collection: a panel's import and build, the same operations the window
// calls, with the institution, options and value date from the arguments.

#include <ostream>
#include <string>
#include <vector>

#include "masav/masav_file.h"

namespace zivron::cli {

struct RoadOptions {
    bool credit = true;
    std::string workbook;
    std::string institution_code;
    std::string software_code;
    std::string name;
    std::string value_date;  // DD/MM/YYYY; today when empty
    bool leumi = false;
    bool fix = true;
    bool mark_accounts = true;
    bool mark_ids = true;
    bool detail = false;
    bool summary = false;
    bool current_rules = false;
    bool explain = false;          // the marked rows and why, on stderr
    bool allow_marked = false;     // build even when rows are marked
    bool accept_changes = false;   // build even when a known payee's account changed
    bool warn_new_payees = false;  // a payee never paid before is a finding
    std::string account_name;
    std::string account_number;
};

// Parses `credit WORKBOOK --institution-code C ...`; false on bad arguments.
bool ParseRoad(const std::vector<std::string>& args, bool credit, RoadOptions& out);

int RunRoad(const RoadOptions& options, std::ostream& out, std::ostream& err);

}  // namespace zivron::cli
