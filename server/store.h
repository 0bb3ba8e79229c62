#pragma once
// The service's storage: accounts, the institutions of each account, the activity log. One
// SQLite file in WAL mode, readable by its owner alone; every statement prepared; one connection
// behind a mutex.

#include <sqlite3.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "validate/bank_edition.h"

namespace zivron::service {

struct Account {
    std::string email;
    std::string name;
    std::string number;  // random, 15 digits
};

struct Institution {
    std::int64_t number = 0;  // random, positive, 32-bit
    std::string account;
    std::string name;
    std::string collection_code;
    std::string collection_software;
    std::string credit_code;
    std::string credit_software;
};

class Store {
  public:
    // Opens the database, creating it when `may_create` says so; an error text when it cannot,
    // when the name is none of a file (":memory:"), or when a quick check finds it damaged.
    static std::optional<std::string> Open(const std::string& path, Store& out, bool may_create);
    // SQLite's check of the whole file ("ok"), or quickly of its pages; else what it found.
    std::string Check(bool quick);
    // A consistent copy into the file `to`, while the service may go on answering.
    std::optional<std::string> Backup(const std::string& to);
    ~Store();

    std::optional<std::string> AddAccount(const std::string& email, const std::string& name,
                                          const std::string& password, Account& created);
    // Nothing when a row cannot be read (LastError says why).
    std::optional<std::vector<Account>> Accounts();
    // The account whose password matches, or nothing.
    std::optional<Account> Login(const std::string& email, const std::string& password);
    // The account with this number and name (the pair the client sends as IP1 / FX).
    bool AccountMatches(const std::string& number, const std::string& name);
    bool AccountExists(const std::string& number);
    std::optional<std::string> AccountName(const std::string& number);

    // Where a list of an account's institutions stands: after the row with this place.
    struct ListPlace {
        std::string added_at;
        std::int64_t row = 0;
    };
    // The next institutions of an account in the order added, at most `count`, as
    // "+name*number" each; `place` moves past them. Nothing when a row cannot be read.
    std::optional<std::string> ListPart(const std::string& account, ListPlace& place,
                                        std::size_t count, std::vector<std::int64_t>& numbers);
    std::optional<Institution> InstitutionByNumber(std::int64_t number);
    // Added unless the account holds `most` already.
    std::optional<std::int64_t> AddInstitution(const Institution& inst, std::size_t most = 1000);
    bool UpdateInstitution(const Institution& inst);  // only when it belongs to inst.account
    bool DeleteInstitution(std::int64_t number, const std::string& account);

    bool LogActivity(const std::string& pairs, const std::string& client);

    // The last edition of the bank lists kept, or nothing when none is (or it cannot be read).
    std::optional<banks::Edition> LastBankEdition();
    // Its text as the page hands it out; empty when none is kept.
    std::optional<std::string> LastBankEditionEncoded();
    bool AddBankEdition(const banks::Edition& edition);

    // Why the last write of this thread failed, in SQLite's words; empty when it did not fail
    // for a reason of the database (a refusal such as an unknown number leaves it empty).
    static const std::string& LastError();

  private:
    bool Exec(const char* sql);
    // A write that did not complete: SQLite's message kept for LastError.
    bool Wrote(bool done);
    sqlite3* db_ = nullptr;
    std::string dummy_hash_;  // an unknown e-mail is checked against it, so it costs the same
    std::mutex mu_;
};

}  // namespace zivron::service
