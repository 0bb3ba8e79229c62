#pragma once
// Israel's banks and their branches as data: names, merged and closed codes, closing dates. Read
// from two tab-separated files (banks.tsv, branches.tsv, as the project's data folder holds
// them); the program starts on the snapshot built into it and takes a newer edition the service
// hands out. Codes are numbers of any length; the Masav record's two characters are another
// matter, judged where the record is made.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/result.h"

namespace zivron::banks {

enum class BankState {
    Active,    // in use, merged or not
    Merged,    // its accounts moved to another code; the code no longer takes payments
    Replaced,  // the code was given up for another (the 2024 reallocation)
    Closed,
};

struct Bank {
    std::int64_t code = 0;
    std::string name;  // empty for a code the list names no entity for
    BankState state = BankState::Active;
    std::int64_t successor = 0;  // where a merged or replaced code went
    std::string since;           // the year, or the date (dd/mm/yyyy) of a closing
};

struct Branch {
    std::int64_t bank = 0;
    std::int64_t code = 0;
    std::string name;
    std::string city;
    std::string address;
    std::string closed;            // dd/mm/yyyy, empty while open
    std::int64_t merged_into = 0;  // the branch that serves its customers, 0 for none
};

class Directory {
  public:
    // The two files' texts; an error naming the line when one is not what it must be.
    static Result<Directory> Parse(std::string_view banks_tsv, std::string_view branches_tsv);

    const Bank* FindBank(std::int64_t code) const;
    const Branch* FindBranch(std::int64_t bank, std::int64_t branch) const;
    // The branches of one bank in the order of their codes.
    std::vector<const Branch*> BranchesOf(std::int64_t bank) const;
    const std::vector<Bank>& Banks() const { return banks_; }
    std::size_t BranchCount() const { return branches_.size(); }

    // Why an account at this bank can take no payment (a merged, replaced or closed code), or
    // nothing. A code the list does not know is left to the check digits.
    std::optional<std::string> BankRefusal(std::int64_t bank) const;
    // Why a branch deserves a second look (not in the list, closed), or nothing. A bank with no
    // branch in the list at all is not judged by it.
    std::optional<std::string> BranchWarning(std::int64_t bank, std::int64_t branch) const;
    // "בנק הפועלים בע"מ / סניף 600 - נתניה" as far as the list names them.
    std::string Describe(std::int64_t bank, std::int64_t branch) const;

  private:
    std::vector<Bank> banks_;
    std::map<std::pair<std::int64_t, std::int64_t>, Branch> branches_;
};

// The directory the checks use: the built-in snapshot until a newer edition is put in place.
std::shared_ptr<const Directory> Current();
void UseDirectory(std::shared_ptr<const Directory> directory);
// The snapshot built into the program.
const Directory& Shipped();

// A code as the workbook holds it ("012", "12") as a number; nothing for text that is not
// digits alone or is too long to be a code.
std::optional<std::int64_t> CodeOf(std::string_view text);

}  // namespace zivron::banks
