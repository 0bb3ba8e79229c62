#pragma once
// What the program keeps so that payroll goes out while the service is down, each in the user's
// data folder, owner-only, written whole: the last good login (never its password, a slow salted
// hash of it), the account's institutions as the service last listed and detailed them, and the
// activity-log entries still to be sent.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/result.h"

namespace zivron {

struct KnownLogin {
    std::string email;
    std::string account_name;
    std::string account_number;
    std::string password_hash;  // Argon2id, salted, as libsodium writes it
};

Status SaveKnownLogin(const KnownLogin& login);
std::optional<KnownLogin> LoadKnownLogin();
std::string HashPassword(const std::string& password);
bool PasswordMatches(const std::string& hash, const std::string& password);

// The service's list and details replies of one account, as they came.
class InstitutionCache {
  public:
    explicit InstitutionCache(std::string account);
    Status SaveList(const std::string& reply);
    Status SaveDetails(long long number, const std::string& reply);
    std::optional<std::string> List() const;
    std::optional<std::string> Details(long long number) const;

  private:
    Status Write() const;
    std::string account_;
    std::optional<std::string> list_;
    std::vector<std::pair<long long, std::string>> details_;
};

// Activity-log requests not yet answered, oldest first, one a line. An entry is appended and
// synced before the run goes on, and removed only after the service answered it.
class Outbox {
  public:
    static Status Append(const std::string& request);
    static std::vector<std::string> Entries();
    // The oldest entry removed (the file rewritten whole).
    static Status RemoveOldest();
};

// The files of ours found damaged since last asked, each moved aside whole (renamed with
// ".damaged"): (the file, where it is now). The program goes on without them.
std::vector<std::pair<std::string, std::string>> TakeSetAsideFiles();

// A damaged file of ours moved out of the way whole, so the program goes on without it and the
// operator (or support) still has it; named by the next TakeSetAsideFiles.
void SetAside(const std::filesystem::path& path);

}  // namespace zivron
