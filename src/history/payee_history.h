#pragma once
// What the program remembers of the payees it paid: every row of every file it made, per
// institution and variant, in a small SQLite file of the user's own (0600). Written only after a
// file is made; read by the payee guard at the review before the next one. Nothing of it leaves
// the computer.

#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/result.h"
#include "masav/masav_file.h"

namespace zivron {

// One payment as the history keeps it: numbers zero-filled to their fields, the amount in agorot.
struct PastPayment {
    std::string institution;
    masav::Variant variant = masav::Variant::Credit;
    masav::ValueDate value_date;
    std::string identity;
    std::string name;
    std::string bank;
    std::string branch;
    std::string account;
    long long agorot = 0;
    long long run = 0;  // the file it was paid by
};

// The fields as the history compares them: digits zero-filled to their file widths.
std::string IdentityKey(const std::string& id);
std::string AccountKey(const masav::Row& row);  // "12-600-000100006"

class PayeeHistory {
  public:
    static Result<PayeeHistory> Open(const std::filesystem::path& file);
    // $XDG_DATA_HOME/zivron/history.sqlite
    static std::filesystem::path DefaultPath();

    // One file's rows, all or none.
    Status Record(const std::string& institution, masav::Variant variant,
                  const masav::ValueDate& value_date, std::span<const masav::Row> rows);
    Status Record(const std::vector<PastPayment>& payments);
    // Reads in one transaction while it lives: the file is locked and checked once, not at each
    // of a review's thousands of queries.
    class Reading {
      public:
        explicit Reading(PayeeHistory& history);
        ~Reading();
        Reading(const Reading&) = delete;
        Reading& operator=(const Reading&) = delete;

      private:
        sqlite3* db_;
        bool began_;
    };

    // A payee's last payments by this institution in this variant, newest first: their value
    // dates, accounts, amounts and runs.
    Result<std::vector<PastPayment>> Recent(const std::string& institution, masav::Variant variant,
                                            const std::string& identity, int at_most);
    // Every payment to an identity number, by any institution, oldest first.
    Result<std::vector<PastPayment>> PaymentsTo(const std::string& identity);
    // The history of one institution, or all of it, erased.
    Status Erase(const std::optional<std::string>& institution);

  private:
    struct Closer {
        void operator()(sqlite3* db) const { sqlite3_close(db); }
        void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
    };
    explicit PayeeHistory(sqlite3* db) : db_(db) {}
    Error Failed(const char* what) const;

    std::unique_ptr<sqlite3, Closer> db_;
    // The review asks for thousands of payees: the query is prepared once.
    std::unique_ptr<sqlite3_stmt, Closer> recent_;
};

}  // namespace zivron
