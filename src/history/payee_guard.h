#pragma once
// The payee guard: what a table of payments shows against the institution's history before the
// file is made. A known payee paid into another account than the last time, a payee twice in the
// table, one account under two payees, an amount far from the payee's usual, and new payees. The
// findings inform the review; they change no mark and no byte of the file.

#include <string>
#include <vector>

#include "core/result.h"
#include "history/payee_history.h"
#include "masav/masav_file.h"

namespace zivron {

struct PayeeFinding {
    enum class Kind { AccountChanged, PaidTwice, SharedAccount, UnusualAmount, NewPayee };
    Kind kind = Kind::NewPayee;
    int sheet_row = 0;
    std::string text;  // in the operator's words, naming the row, the payee and the earlier values
};

struct GuardReport {
    std::vector<PayeeFinding> findings;  // in the table's order
    int new_payees = 0;
};

// `rows[n]` stands in sheet row n + 2. New payees are findings only when `warn_new_payees`.
Result<GuardReport> GuardPayees(PayeeHistory& history, const std::string& institution,
                                masav::Variant variant, const std::vector<masav::Row>& rows,
                                bool warn_new_payees);

}  // namespace zivron
