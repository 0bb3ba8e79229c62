#pragma once
// The Bank of Israel's branch file for payments (Branches_for_payments.xml, UTF-8 with a BOM, a
// <branch> record for each branch) as the program's branches.tsv: codes as numbers, dates as
// yyyy-mm-dd, the merge branch as it stands.

#include <string>
#include <string_view>

#include "core/result.h"

namespace zivron::service {

// The file's text as branches.tsv, or why it cannot be (the record it failed at).
Result<std::string> BranchesFromOfficialFile(std::string_view xml);

}  // namespace zivron::service
